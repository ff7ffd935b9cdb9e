#include "framework/ui/ZrQtStrings.h"
