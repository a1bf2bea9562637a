#pragma once
// Turns the bytes of a GIF87a or GIF89a file into a document: the screen, the loop count and up to
// 256 decoded frames. It never draws; the animated control composes the frames.

#include "widgets/gif/gif_frame.h"
#include "widgets/gif/gif_stream.h"
#include "widgets/gif/gif_types.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace corvane {

struct TGIFDocument {
    TGIFVersion Version = TGIFVersion::gvGIF87a;
    int ScreenWidth = 0;
    int ScreenHeight = 0;
    // The screen widened to every frame's right and bottom edge.
    std::int64_t Width = 0;
    std::int64_t Height = 0;
    // Of the screen descriptor, raised to the largest local table read.
    int GlobalBitsPerPixel = 0;
    TGIFColorTable GlobalColorTable{};  // all black when the file has none
    int LoopCount = 1;  // from the NETSCAPE2.0 extension; 0 plays for ever
    bool TransparentAnywhere = false;
    bool InterlacedAnywhere = false;
    std::vector<TGIFFrame> Frames;
};

// Sender-less form of the control's progress event; clearing keepOnProcessing abandons the load.
using TGIFProgressEvent = std::function<void(std::int64_t bytesProcessed, std::int64_t bytesToProcess,
                                             int percentageProcessed, bool& keepOnProcessing)>;

class TGIFDecoder {
public:
    bool FirstImageOnly = false;
    TGIFProgressEvent OnProgress;

    // Parses a whole file; true when the image was read. On failure or abandonment the document is
    // left empty and ErrorText says why (empty when the progress handler abandoned the load).
    bool ReadGIF(std::span<const std::uint8_t> data);

    const TGIFDocument& Document() const { return document_; }
    TGIFDocument TakeDocument() { return std::move(document_); }
    const std::string& ErrorText() const { return error_; }
    bool Abandoned() const { return abandoned_; }

private:
    friend class TGIFFrame;
    friend void DecodeGIFImageData(TGIFFrame& frame, TGIFDecoder& owner);

    struct Abandon {};

    bool Fail(std::string text);
    // Fires OnProgress at the given stream position; throws Abandon when the handler says stop.
    void Progress(std::size_t position);
    void Progress() { Progress(stream_->Position()); }
    // Grows the image to cover a frame and counts its pixels; false when a limit would be passed.
    bool AdmitFrame(std::int64_t left, std::int64_t top, std::int64_t width, std::int64_t height);

    void ReadGraphicControl();
    void ReadComment();
    void ReadApplication();

    TGIFDocument document_;
    std::string error_;
    bool abandoned_ = false;
    TGIFStream* stream_ = nullptr;
    std::int64_t totalFramePixels_ = 0;
    TGIFGraphicControl pendingControl_;
    std::string pendingComment_;
    std::vector<std::uint8_t> lzwData_;  // the sub-blocks of the image being decoded, joined
};

}  // namespace corvane
