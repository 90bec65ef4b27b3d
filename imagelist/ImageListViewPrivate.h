// The parts of TImageListView the host does not see: its item model, the
// thumbnail-style delegate and the thumbnail workers. UI thread only, except
// the jobs the workers run.
#pragma once

#include "imagelist/ImageListModel.h"
#include "imagelist/ThumbnailDelegate.h"
#include "imagelist/ThumbnailWorkers.h"
