#pragma once
#include "../common/testdb.h"
