// The image-list view for the windows of app/. Its header and the model's
// types both name an event type TNotifyEvent in our namespace; within app/
// the view's one is seen as TImageListNotifyEvent (an alias only, so the
// classes and their symbols are the same everywhere).
#pragma once

#include "model/Types.h"

#define TNotifyEvent TImageListNotifyEvent
#include "imagelist/ImageListView.h"
#undef TNotifyEvent
