// Links one engine layer whole (every object of its library) with only the
// layers below it, and for the layout and the application the back end: the
// program builds only when no object of the layer calls a layer above it,
// and no object of the book, the page or the story calls the platform.
int main() { return 0; }
