#pragma once
// One headless OpenGL 4.1 core context on an EGL device, without a window. Private to the studio:
// GL and EGL never appear in public headers.
#include <memory>
#include <thread>
#include <string>

namespace vantorel::gl {

class Context {
 public:
  /// Opens a context on the first EGL device that gives one: hardware devices first, then Mesa's
  /// software device (only the software one when VANTOREL_GL=software), then the surfaceless
  /// platform where device enumeration is missing. Throws StudioError::noGraphics when none works.
  static std::unique_ptr<Context> create();
  /// Finds and initialises the EGL devices (loading their drivers) on a thread of its own, so that
  /// a context created later finds them ready. Any thread; returns at once. The caller keeps the
  /// thread until it has made its context or given up: its end waits for the driver, so a program
  /// never exits in the middle of loading one.
  [[nodiscard]] static std::jthread prepare();
  ~Context();
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  /// True when the context runs on Mesa's software rasteriser (llvmpipe).
  bool isSoftware() const { return software_; }
  /// The renderer string, for benchmarks and diagnostics.
  const std::string& rendererName() const { return renderer_; }

  /// Makes the context current on the calling thread for the guard's life and restores whatever
  /// was current before.
  class Current {
   public:
    explicit Current(const Context& context);
    ~Current();
    Current(const Current&) = delete;
    Current& operator=(const Current&) = delete;

   private:
    void* display_;
    void* previousDisplay_;
    void* previousContext_;
    void* previousDraw_;
    void* previousRead_;
  };

 private:
  Context() = default;
  void* display_ = nullptr;
  void* context_ = nullptr;
  bool software_ = false;
  std::string renderer_;
};

}  // namespace vantorel::gl
