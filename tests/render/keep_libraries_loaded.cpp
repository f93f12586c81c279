// Keeps every shared library loaded for the life of the test process.
//
// Mesa unloads its DRI driver (and LLVM with it) when the last GL context
// goes. Allocations those libraries never free are then reported by the leak
// checker at exit as coming from an "unknown module", which its suppressions
// cannot name. With the libraries kept loaded, such reports carry the
// library's name and the system-library suppressions apply; leaks in our own
// code are reported exactly as before.
extern "C" int dlclose(void*) {
  return 0;
}
