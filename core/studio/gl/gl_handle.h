#pragma once
// Owning names of GL objects: each deletes its object when it goes, so it must go while the
// context it was made in is current (the studio destroys its renderer under its context).
#include <epoxy/gl.h>

#include <utility>

namespace vantorel::gl {

/// One GL object name, moved but never copied; `Kind` makes and deletes names of its kind.
template <class Kind>
class GLHandle {
 public:
  GLHandle() = default;
  /// A fresh name of the kind (no object behind it until first bound).
  static GLHandle make() {
    GLHandle handle;
    Kind::make(&handle.id_);
    return handle;
  }
  ~GLHandle() { reset(); }
  GLHandle(GLHandle&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
  GLHandle& operator=(GLHandle&& other) noexcept {
    if (this != &other) {
      reset();
      id_ = std::exchange(other.id_, 0);
    }
    return *this;
  }
  GLHandle(const GLHandle&) = delete;
  GLHandle& operator=(const GLHandle&) = delete;

  GLuint get() const { return id_; }
  explicit operator bool() const { return id_ != 0; }
  void reset() {
    if (id_) Kind::remove(&id_);
    id_ = 0;
  }

 private:
  GLuint id_ = 0;
};

namespace kinds {
struct Texture {
  static void make(GLuint* id) { glGenTextures(1, id); }
  static void remove(const GLuint* id) { glDeleteTextures(1, id); }
};
struct Framebuffer {
  static void make(GLuint* id) { glGenFramebuffers(1, id); }
  static void remove(const GLuint* id) { glDeleteFramebuffers(1, id); }
};
struct Renderbuffer {
  static void make(GLuint* id) { glGenRenderbuffers(1, id); }
  static void remove(const GLuint* id) { glDeleteRenderbuffers(1, id); }
};
struct Buffer {
  static void make(GLuint* id) { glGenBuffers(1, id); }
  static void remove(const GLuint* id) { glDeleteBuffers(1, id); }
};
struct VertexArray {
  static void make(GLuint* id) { glGenVertexArrays(1, id); }
  static void remove(const GLuint* id) { glDeleteVertexArrays(1, id); }
};
struct Query {
  static void make(GLuint* id) { glGenQueries(1, id); }
  static void remove(const GLuint* id) { glDeleteQueries(1, id); }
};
}  // namespace kinds

using Texture = GLHandle<kinds::Texture>;
using Framebuffer = GLHandle<kinds::Framebuffer>;
using Renderbuffer = GLHandle<kinds::Renderbuffer>;
using Buffer = GLHandle<kinds::Buffer>;
using VertexArray = GLHandle<kinds::VertexArray>;
using Query = GLHandle<kinds::Query>;

}  // namespace vantorel::gl
