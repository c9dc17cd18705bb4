// The program that holds GoogleTest's precompiled header; it is never run.
int main() { return 0; }
