// Whether a space-separated extension list (OpenGL's, EGL's, GLX's) names an
// extension as a whole word, so that "GL_X" is not found in "GL_X_more".
#pragma once

#include <cstring>

inline int ExtensionListHas(const char *list, const char *name)
{
    const size_t length = strlen(name);
    while (list && *list) {
        const size_t span = strcspn(list, " ");
        if (span == length && memcmp(list, name, length) == 0)
            return 1;
        list += span;
        list += strspn(list, " ");
    }
    return 0;
}
