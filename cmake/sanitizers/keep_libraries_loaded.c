/* Linked into every executable of a sanitizer build. LeakSanitizer checks for leaks at exit, after
 * SDL and Mesa have unloaded the OpenGL driver: the driver's own allocations then have no module to
 * name them ("<unknown module>"), no suppression can match them, and the globals that still held
 * them are gone, so they read as leaks. Never unloading a library keeps both. */
int dlclose(void* library) {
  (void)library;
  return 0;
}
