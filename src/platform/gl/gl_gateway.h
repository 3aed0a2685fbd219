// The one way to the OpenGL context.
//
// The engine holds a frame's 2D drawing back until the frame is shown (see
// frame_gl_work.h). Any other use of the context (texture uploads and deletions,
// read-backs, the window's own copy of the frame) needs that held-back work issued
// first, or it would run ahead of drawing that comes before it. Every OpenGL call
// outside the held-back work goes through call() or use() below, which issue it: no caller
// can forget. A test fails when a file outside this header and frame_gl_work calls an
// OpenGL function directly.
//
//   gl::call(glBindTexture, GL_TEXTURE_2D, name);      // may change textures
//   gl::use(glReadPixels, 0, 0, w, h, format, type, p);  // changes none
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <utility>

#include "platform/gl/frame_gl_work.h"

namespace zorby::platform::gl {

// Looks up one entry point of the driver into fn with lookup (a name to an address,
// null when missing); true when it is there.
template <typename Lookup, typename Fn>
bool fetch(Lookup&& lookup, Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(lookup(name));
    return fn != nullptr;
}

// The framebuffer-object entry points (OpenGL 3.0 / ARB_framebuffer_object), looked
// up once a context exists; all null when the driver has none. Called through
// call() or use() like any other OpenGL function.
struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC gen_framebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC delete_framebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bind_framebuffer = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DPROC framebuffer_texture_2d = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC check_framebuffer_status = nullptr;
    PFNGLBLITFRAMEBUFFERPROC blit_framebuffer = nullptr;

    // Looks each one up with lookup (an entry point's name to its address, null when
    // missing); true when all of them are there (else use none of them).
    template <typename Lookup>
    bool load(Lookup&& lookup) {
        return fetch(lookup, gen_framebuffers, "glGenFramebuffers") &&
               fetch(lookup, delete_framebuffers, "glDeleteFramebuffers") &&
               fetch(lookup, bind_framebuffer, "glBindFramebuffer") &&
               fetch(lookup, framebuffer_texture_2d, "glFramebufferTexture2D") &&
               fetch(lookup, check_framebuffer_status, "glCheckFramebufferStatus") &&
               fetch(lookup, blit_framebuffer, "glBlitFramebuffer");
    }
};

// Calls an OpenGL function (or an entry point fetched from the driver) on the real
// context after the held-back drawing is issued. The frames before count no more as
// the same as a later one: textures may change.
template <typename Function, typename... Args>
decltype(auto) call(Function&& function, Args&&... args) {
    frame_gl_work().touch();
    return std::forward<Function>(function)(std::forward<Args>(args)...);
}

// The same for work that changes no texture a frame draws with and leaves the
// drawing state as it found it (read-backs, the window's copy of the frame, the
// swap): between frames it leaves the held-back work's memory of the frames before alone,
// so a still frame after it may still be left undrawn.
template <typename Function, typename... Args>
decltype(auto) use(Function&& function, Args&&... args) {
    frame_gl_work().flush();
    return std::forward<Function>(function)(std::forward<Args>(args)...);
}

}  // namespace zorby::platform::gl
