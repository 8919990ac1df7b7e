#pragma once

#include "host/types/Date.hpp"

namespace Talvex {
class Book;
class DataList;
} // namespace Talvex

namespace Quarn_DuzAde::internal {

// Adds "RestPaySum" to a list of payable documents (its main table a THDocument): the
// document's amount less the payments linked to it, never below zero. The list is grouped
// by its other columns. A non-zero date also joins the paying documents up to that date.
void AddRestOfPayment(Talvex::Book& book, Talvex::DataList& list, Talvex::Date toDate = {});

} // namespace Quarn_DuzAde::internal
