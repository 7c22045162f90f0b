// A tool that uses the entry points and the book's headers only.
#include "app/entry.h"
#include "book/compiled_book.h"
#include "platform/headless/headless.h"
