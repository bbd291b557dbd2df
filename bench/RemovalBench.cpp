// Filled in by the removal and copy benchmark.
int main() { return 0; }
