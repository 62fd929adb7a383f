#pragma once
#include "../common/windowfixture.h"
