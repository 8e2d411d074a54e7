#include "studio/gl/program.h"

#include "studio/studio_error.h"

#include <vector>

namespace vantorel::gl {
namespace {

GLuint compile(GLenum stage, std::initializer_list<const char*> pieces) {
  const GLuint shader = glCreateShader(stage);
  std::vector<const char*> sources(pieces);
  glShaderSource(shader, GLsizei(sources.size()), sources.data(), nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[4096] = {};
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    glDeleteShader(shader);
    throw StudioError::noGraphics(std::string("shader compilation failed: ") + log);
  }
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
  GLint ok = 0;
  glGetProgramiv(id_, GL_LINK_STATUS, &ok);
  if (!ok) {
    char log[4096] = {};
    glGetProgramInfoLog(id_, sizeof log, nullptr, log);
    glDeleteProgram(id_);
    throw StudioError::noGraphics(std::string("shader linking failed: ") + log);
  }
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
