// Links one engine layer whole (every object of its library) with only the
// layers below it and the back end: the program builds only when no object
// of the layer calls a layer above it.
int main() { return 0; }
