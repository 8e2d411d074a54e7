#include "studio/gl/gl_context.h"

#include "studio/studio_error.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace vantorel::gl {
namespace {

bool hasExtension(const char* list, const char* name) {
  if (!list) return false;
  const std::size_t n = std::strlen(name);
  for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n) {
    if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true;
  }
  return false;
}

bool softwareForced() {
  const char* value = std::getenv("VANTOREL_GL");
  return value && std::strcmp(value, "software") == 0;
}

struct Candidate {
  EGLDisplay display;
  bool software;
};

// EGL displays are per device and eglTerminate would end every context on one, so each display is
// initialised once for the process and never terminated.
// Never destroyed: the displays live as long as the process, whichever thread listed them.
struct Displays {
  std::mutex mutex;
  std::vector<Candidate> hardware, software;
  bool listed = false;
};

std::vector<Candidate> candidateDisplays() {
  static Displays& displays = *new Displays;
  auto& [mutex, hardware, software, listed] = displays;
  std::lock_guard lock(mutex);
  if (!listed) {
    listed = true;
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (hasExtension(clientExtensions, "EGL_EXT_device_enumeration") &&
        hasExtension(clientExtensions, "EGL_EXT_platform_device")) {
      EGLint count = 0;
      eglQueryDevicesEXT(0, nullptr, &count);
      std::vector<EGLDeviceEXT> devices(std::size_t(count > 0 ? count : 0));
      if (count > 0 && eglQueryDevicesEXT(count, devices.data(), &count)) {
        for (EGLint i = 0; i < count; ++i) {
          const char* deviceExtensions = eglQueryDeviceStringEXT(devices[std::size_t(i)], EGL_EXTENSIONS);
          const bool isSoftware = hasExtension(deviceExtensions, "EGL_MESA_device_software");
          EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[std::size_t(i)], nullptr);
          if (display == EGL_NO_DISPLAY) continue;
          EGLint major = 0, minor = 0;
          if (!eglInitialize(display, &major, &minor)) continue;
          (isSoftware ? software : hardware).push_back({display, isSoftware});
        }
      }
    }
    if (hardware.empty() && software.empty() && hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
      EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
      EGLint major = 0, minor = 0;
      if (display != EGL_NO_DISPLAY && eglInitialize(display, &major, &minor)) hardware.push_back({display, false});
    }
  }
  std::vector<Candidate> result;
  if (!softwareForced()) result = hardware;
  result.insert(result.end(), software.begin(), software.end());
  return result;
}

EGLContext createContext(EGLDisplay display) {
  if (!eglBindAPI(EGL_OPENGL_API)) return EGL_NO_CONTEXT;
  const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
  if (!hasExtension(extensions, "EGL_KHR_surfaceless_context")) return EGL_NO_CONTEXT;
  EGLConfig config = nullptr;
  if (!hasExtension(extensions, "EGL_KHR_no_config_context")) {
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLint found = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &found) || found == 0) return EGL_NO_CONTEXT;
  }
  const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 4,
                                      EGL_CONTEXT_MINOR_VERSION, 1,
                                      EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                      EGL_NONE};
  return eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
}

}  // namespace

std::jthread Context::prepare() {
  try {
    return std::jthread([] { candidateDisplays(); });
  } catch (const std::system_error&) {
    return {};  // no thread to be had: the first context initialises the devices itself
  }
}

std::unique_ptr<Context> Context::create() {
  std::string tried;
  for (const Candidate& candidate : candidateDisplays()) {
    EGLContext context = createContext(candidate.display);
    if (context == EGL_NO_CONTEXT) {
      tried += " (no 4.1 core context on a display)";
      continue;
    }
    std::unique_ptr<Context> result(new Context);
    result->display_ = candidate.display;
    result->context_ = context;
    {
      Current current(*result);
      const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
      result->renderer_ = name ? name : "";
    }
    result->software_ = candidate.software || result->renderer_.find("llvmpipe") != std::string::npos ||
                        result->renderer_.find("softpipe") != std::string::npos;
    return result;
  }
  throw StudioError::noGraphics(tried.empty() ? "no EGL device" : "no usable EGL device:" + tried);
}

Context::~Context() {
  if (context_) eglDestroyContext(display_, context_);
}

Context::Current::Current(const Context& context)
    : display_(context.display_),
      previousDisplay_(eglGetCurrentDisplay()),
      previousContext_(eglGetCurrentContext()),
      previousDraw_(eglGetCurrentSurface(EGL_DRAW)),
      previousRead_(eglGetCurrentSurface(EGL_READ)) {
  if (!eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context.context_))
    throw StudioError::noGraphics("eglMakeCurrent failed");
}

Context::Current::~Current() {
  if (previousContext_ != EGL_NO_CONTEXT && previousDisplay_ != EGL_NO_DISPLAY) {
    eglMakeCurrent(previousDisplay_, previousDraw_, previousRead_, previousContext_);
  } else {
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
}

}  // namespace vantorel::gl
