// The book compiled into the programs (the TOMELET_BOOK folder).  Defined by
// the generated library tomelet_book; only programs link it.
#pragma once

#include "book/book.h"

namespace tomelet {

extern const book_tables compiled_book;

}  // namespace tomelet
