// Mesa's drivers, LLVM and fontconfig keep process-wide caches until exit; they are not ours, so
// the leak checker skips them. The ruler's font face is likewise kept for the life of the process.
// Exported: the sanitizer runtime looks the function up by name, and the build hides symbols.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libgallium\n"
         "leak:libLLVM\n"
         "leak:libEGL_mesa\n"
         "leak:libglapi\n"
         "leak:libfontconfig\n"
         "leak:libdrm\n"
         "leak:swrast_dri\n"
         "leak:libepoxy\n";
}
