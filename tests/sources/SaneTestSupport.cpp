// The virtual test scanner's reader thread keeps its transfer buffer when a scan is cancelled
// in the middle; that memory belongs to the backend module, not to this program, so the leak
// checker is told to pass over allocations made inside it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libsane-test\n";
}
