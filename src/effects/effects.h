// The drawing of each scene. Every operation starts from the identity modelview
// matrix, draws in eye coordinates and sets only the OpenGL state it names: blend
// state, bound texture, normal and texture coordinate carry over between scenes.
#pragma once

// The quads the scenes draw, in eye units. The pictures made for them take their
// shapes from these.
// At 2.2 units the 65-degree view is 2.803 high, so a panel this size fills a 4:3 window.
const float PANEL_HALF_WIDTH = 1.9f;
const float PANEL_HALF_HEIGHT = 1.4f;
const float PANEL_DISTANCE = -2.2f;
// The frames over the rotozoomer and the tunnel are panels this high: their top
// and bottom rows fall just outside the view.
const float ROTOZOOM_BORDER_HALF_HEIGHT = 1.5f;
const float TUNNEL_BORDER_HALF_HEIGHT = 1.6f;
// A credits picture near a corner, 2.25 times as wide as high.
const float CREDIT_HALF_WIDTH = 0.9f;
const float CREDIT_HALF_HEIGHT = 0.4f;
// The drifting panels: larger than the view at 2.1 units even when shifted by 1,
// so no edge ever shows.
const float INTERLUDE_HALF_WIDTH = 2.9f;
const float INTERLUDE_HALF_HEIGHT = 2.4f;
const float INTERLUDE_DISTANCE = -2.1f;

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
