// The operator and function catalogue: one object of each class per expression.
#ifndef VORN_OPERATORS_H
#define VORN_OPERATORS_H

#include <vector>

#include "mathexpression.h"

// Appends one new object of every operator class and every function class, in
// table order, each marked owned. If an allocation fails the entries already
// appended stay in the tables for their owner to delete.
void FillCatalogue(std::vector<EvaluatorEntry>& operators, std::vector<EvaluatorEntry>& functions);

#endif
