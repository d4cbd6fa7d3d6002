// The drawing of each scene. Every operation starts from the identity modelview
// matrix, draws in eye coordinates and sets only the OpenGL state it names: blend
// state, bound texture, normal and texture coordinate carry over between scenes.
#pragma once

// Full-screen pictures (scenes 0, 1, 5 and 7).
void DrawTitlePicture();
void DrawCreatorsPicture();
void DrawPinkPicture();
void DrawEndPicture();

// The turning, scrolling, swinging square under its border (scene 2).
void DrawRotozoomer();
// The fogged tunnel under its border (scene 3).
void DrawTunnel();
// The spinning box with the swinging heart (scene 4).
void DrawHeartCube();
// Two drifting pictures added together (scene 6).
void DrawInterludePanels();
