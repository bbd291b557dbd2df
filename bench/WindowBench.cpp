// Filled in by the window benchmark.
int main() { return 0; }
