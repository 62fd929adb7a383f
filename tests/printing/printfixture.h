#pragma once
#include "../common/printfixture.h"
