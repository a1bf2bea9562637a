#pragma once
// Reading queue record lines in place, without building an item: what the selectors run on.

#include <cstdint>
#include <string_view>

namespace corvane {

// Splits a record at the 0xB6 bytes into at most count fields; missing fields are empty.
void SplitRecord(std::string_view record, std::string_view* fields, int count);

// A whole decimal number (an optional "-", then digits) and nothing else.
bool ParseRecordNumber(std::string_view text, std::int64_t& value);

// The fields the selectors decide on. A record whose state, level, mark or size is not a number
// reads as Error, like the item built from it.
struct RecordKey {
    int State = 0;
    int Mark = 1;
    bool Page = false;
    bool Valid = true;
};
RecordKey InspectRecord(std::string_view record);

}  // namespace corvane
