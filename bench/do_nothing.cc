// The floor for process-level comparisons: a static program that starts and
// exits and does nothing else.
int main() { return 0; }
