// The program that builds the app tests' precompiled header; the test programs reuse it.
int main() { return 0; }
