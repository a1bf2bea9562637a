#pragma once
// Between the desktop's drag data (QMimeData) and the shell's data objects. Incoming: local file
// URLs become a file list and an item-id list array, text becomes CF_TEXT, web addresses become
// "UniformResourceLocator", and our own item-id list array is taken only when it checks out.
// Outgoing: a data object's files as URLs, text and our item-id list array.

#include "shell/ns/data_object.h"

class QMimeData;

namespace corvane::shell {

// A snapshot of the drag's data, taken at creation.
class MimeDataObject final : public TBlockDataObject {
public:
    explicit MimeDataObject(const QMimeData& mime);
};

// New QMimeData for a drag or the clipboard (the caller owns it).
QMimeData* DataObjectMime(IDataObject* data);

}  // namespace corvane::shell
