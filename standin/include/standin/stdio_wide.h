// The C runtime's wide-path file open (_wfopen), on the mapped C: drive.
#pragma once

#include <cstdio>

#include "standin/base.h"

FILE* _wfopen(const wchar_t* filename, const wchar_t* mode);
