#pragma once
// The print-preview component: the page store, the paper sheet and its options.
#include "printing/MetafileList.h"
#include "printing/PaperPreview.h"
