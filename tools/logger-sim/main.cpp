// Placeholder: the simulated logger is being built.
int main() { return 1; }
