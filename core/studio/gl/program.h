#pragma once
// A linked GLSL program with its uniform locations looked up by name on demand.
#include <epoxy/gl.h>

#include <initializer_list>
#include <string>
#include <unordered_map>

namespace vantorel::gl {

class Program {
 public:
  /// Compiles each stage from its pieces (concatenated in order) and links them. Throws
  /// StudioError::noGraphics with the compiler's log when a stage fails.
  Program(std::initializer_list<const char*> vertex, std::initializer_list<const char*> fragment);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  void use() const { glUseProgram(id_); }
  GLint location(const char* name);

 private:
  GLuint id_ = 0;
  std::unordered_map<std::string, GLint> locations_;
};

}  // namespace vantorel::gl
