// The program's entry: configure, run, end with exit code 0.
int main() { return 0; }
