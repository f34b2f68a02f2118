// Entry point of the client. Every process of the program starts here.
int main() { return 0; }
