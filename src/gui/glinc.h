// The OpenGL header as the toolkit uses it: the compatibility profile with
// the 1.4 entry points (glWindowPos) declared. Only the toolkit's sources
// include it; its public headers speak plain integers.
#pragma once

#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/gl.h>
