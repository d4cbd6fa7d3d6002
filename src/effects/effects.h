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

// A picture quad facing the viewer: corners counter-clockwise from the bottom
// left, showing the whole picture the right way up.
void DrawPictureQuad(float halfWidth, float halfHeight, float z);
// A picture laid over the frame through its mask: the frame survives where the
// mask is white, and the picture is added where it is black. Blending must be on.
void DrawMaskedOverlay(int maskTexture, int pictureTexture, float halfWidth, float halfHeight, float z);
// A still frame over the whole scene, 3.8 wide at 2.2 units, as a masked overlay;
// leaves blending off.
void DrawScreenBorder(int maskTexture, int pictureTexture, float halfHeight);
