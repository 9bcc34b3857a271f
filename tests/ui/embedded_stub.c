/* A program that only exists to be stored inside the window tests. */
int main(void) { return 42; }
