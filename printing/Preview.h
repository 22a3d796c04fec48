#pragma once
// The print-preview component: the page store, the paper sheet and its options, the preview
// control and the thumbnail strip.
#include "printing/MetafileList.h"
#include "printing/PaperPreview.h"
#include "printing/PrintPreview.h"
#include "printing/ThumbnailPreview.h"
