/* The program part of a Windows program that exists for its resources. */
int main(void) { return 0; }
