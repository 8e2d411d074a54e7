#include "studio/gl/program.h"

#include "studio/studio_error.h"

#include <vector>

namespace vantorel::gl {
namespace {

// Throws noGraphics with the driver's log when a shader or program did not build; deletes it first.
void check(GLuint object, GLenum status, void (*getiv)(GLuint, GLenum, GLint*),
           void (*getLog)(GLuint, GLsizei, GLsizei*, GLchar*), void (*remove)(GLuint), const char* what) {
  GLint ok = 0;
  getiv(object, status, &ok);
  if (ok) return;
  char log[4096] = {};
  getLog(object, sizeof log, nullptr, log);
  remove(object);
  throw StudioError::noGraphics(std::string(what) + log);
}

GLuint compile(GLenum stage, std::initializer_list<const char*> pieces) {
  const GLuint shader = glCreateShader(stage);
  std::vector<const char*> sources(pieces);
  glShaderSource(shader, GLsizei(sources.size()), sources.data(), nullptr);
  glCompileShader(shader);
  check(shader, GL_COMPILE_STATUS, glGetShaderiv, glGetShaderInfoLog, glDeleteShader, "shader compilation failed: ");
  return shader;
}

}  // namespace

Program::Program(std::initializer_list<const char*> vertex, std::initializer_list<const char*> fragment) {
  const GLuint v = compile(GL_VERTEX_SHADER, vertex);
  GLuint f = 0;
  try {
    f = compile(GL_FRAGMENT_SHADER, fragment);
  } catch (...) {
    glDeleteShader(v);
    throw;
  }
  id_ = glCreateProgram();
  glAttachShader(id_, v);
  glAttachShader(id_, f);
  glLinkProgram(id_);
  glDeleteShader(v);
  glDeleteShader(f);
  check(id_, GL_LINK_STATUS, glGetProgramiv, glGetProgramInfoLog, glDeleteProgram, "shader linking failed: ");
}

Program::~Program() { glDeleteProgram(id_); }

GLint Program::location(const char* name) {
  auto found = locations_.find(name);
  if (found != locations_.end()) return found->second;
  const GLint at = glGetUniformLocation(id_, name);
  locations_.emplace(name, at);
  return at;
}

}  // namespace vantorel::gl
