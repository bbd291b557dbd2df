// Filled in by the format benchmark.
int main() { return 0; }
