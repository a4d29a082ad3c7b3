#pragma once
// A folder circle planted for the layering check's own test: alpha and beta
// include each other.
#include "beta/Beta.h"
