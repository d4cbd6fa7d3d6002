// A stand-in for the OpenGL and GLU entry points, linked in place of the real
// libraries: it records every call with its arguments and keeps the little state
// the show's drawing depends on, so tests can check exact call sequences.
#pragma once

#include <GL/gl.h>
#include <string>
#include <vector>

struct GlCall {
    std::string name;
    std::vector<double> args; // floats widen exactly; enums and ints as their values
};

struct GlState {
    bool blend = false;
    bool fog = false;
    bool texture2D = false;
    GLenum blendSource = GL_ONE;
    GLenum blendDestination = GL_ZERO;
    GLuint boundTexture = 0;
    GLenum matrixMode = GL_MODELVIEW;
    float normal[3] = {0, 0, 1};
    float texCoord[2] = {0, 0};
    GLint unpackAlignment = 4;
};

struct GlUpload {
    GLint level, internalFormat;
    GLsizei width, height;
    GLenum format;
    std::vector<unsigned char> pixels;
};

namespace glrec {

// Forgets the calls and puts the state back to OpenGL's initial one.
void Reset();
// Forgets the calls only; the state carries on, as OpenGL's does from frame to frame.
void ClearCalls();
const std::vector<GlCall> &Calls();
const GlState &State();
const std::vector<GlUpload> &Uploads();

// What glGetString(GL_EXTENSIONS) and glGetIntegerv(GL_MAX_TEXTURE_SIZE) answer.
void SetExtensions(const char *extensions);
void SetMaxTextureSize(GLint size);

// "glTranslatef(0, 0, -2.20000005)": the call as text, floats to 9 digits.
std::string Format(const GlCall &call);
// The calls whose name is one of those given, in order.
std::vector<GlCall> Only(std::initializer_list<const char *> names);
// The names of all calls, in order.
std::vector<std::string> Names();

} // namespace glrec
