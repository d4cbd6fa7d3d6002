// The web build's OpenGL 1.1 is emscripten's legacy emulation on WebGL, which
// misreads a few legal uses that the show's code makes. Included ahead of every
// file of the show's code in the web build only, this sends those calls to the
// fill-ins of gl_emulation.cpp instead; the show's code itself stays as it is.
#pragma once

#define glNormal3f WebNormal3f
#define glTexCoord2f WebTexCoord2f
#define glVertex2f WebVertex2f
#define glVertex3f WebVertex3f
#define glBindTexture WebBindTexture
#define glTexImage2D WebTexImage2D
#define glHint WebHint
#define glBegin WebBegin
#define glEnd WebEnd
#define glTexParameteri WebTexParameteri
