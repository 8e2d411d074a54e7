// Mesa's drivers, LLVM and fontconfig keep process-wide caches until exit; they are not ours, so
// the leak checker skips them (only in the render tests, which load them).
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libgallium\n"
         "leak:libLLVM\n"
         "leak:libEGL_mesa\n"
         "leak:libglapi\n"
         "leak:libfontconfig\n"
         "leak:libdrm\n"
         "leak:swrast_dri\n"
         "leak:libepoxy\n";
}
