// The OpenGL and EGL declarations the engine is written against: desktop core
// profile prototypes, called through the GLVND dispatch of libOpenGL, so the
// same calls reach whichever context is current (desktop or ES).
#pragma once

#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/glcorearb.h>
