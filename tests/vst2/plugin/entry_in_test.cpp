// The exported entry as linked into a test executable: without the "main"
// alias, which would take the place of the test runner's own main.
#define SORREL_ENTRY_WITHOUT_MAIN
#include "vst2/entry.cpp"
