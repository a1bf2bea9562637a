#pragma once
// Custom drawing of the shell tree and list: one draw object per paint notification, handed to the
// application's handlers, which may change the font, the colours or skip the default drawing. The
// notification record and its result word keep the stages and flags of the native protocol, so the
// views' painting obeys one word the handlers and the draw object agree on.

#include <QColor>
#include <QFont>
#include <QModelIndex>
#include <QRect>
#include <cstdint>

class QPainter;

namespace corvane::shell {

inline constexpr std::uint32_t CDDS_PREPAINT = 0x1;
inline constexpr std::uint32_t CDDS_POSTPAINT = 0x2;
inline constexpr std::uint32_t CDDS_ITEM = 0x10000;
inline constexpr std::uint32_t CDDS_ITEMPREPAINT = CDDS_ITEM | CDDS_PREPAINT;
inline constexpr std::uint32_t CDDS_ITEMPOSTPAINT = CDDS_ITEM | CDDS_POSTPAINT;

inline constexpr std::uint32_t CDRF_DODEFAULT = 0x0;
inline constexpr std::uint32_t CDRF_NEWFONT = 0x2;
inline constexpr std::uint32_t CDRF_SKIPDEFAULT = 0x4;
inline constexpr std::uint32_t CDRF_NOTIFYPOSTPAINT = 0x10;
inline constexpr std::uint32_t CDRF_NOTIFYITEMDRAW = 0x20;

enum class TCustomDrawStage { PrePaint, PostPaint, ItemPrePaint, ItemPostPaint, Other };
TCustomDrawStage StageOf(std::uint32_t drawStage);

// The notification record: the stage, where to paint and, for an item stage, which item and the
// font and colours it is about to be drawn with. Apply writes the handler's choices back here.
struct TNMCustomDraw {
    std::uint32_t dwDrawStage = CDDS_PREPAINT;
    QPainter* painter = nullptr;  // null when the stage has nothing to paint on
    QRect rc;
    QModelIndex item;  // invalid outside the item stages
    bool selected = false;
    bool focused = false;
    QFont font;        // the font selected for the item
    QColor clrText;    // its text colour
    QColor clrTextBk;  // its background; invalid = the view's own
};

class TPTCustomDraw {
public:
    // controlFont: the view's font, from which Font starts.
    explicit TPTCustomDraw(const QFont& controlFont, std::uint8_t itemNotifyMode = 1);
    virtual ~TPTCustomDraw() = default;
    TPTCustomDraw(const TPTCustomDraw&) = delete;
    TPTCustomDraw& operator=(const TPTCustomDraw&) = delete;

    // Binds the object to a notification; forgets the font, the brush and keep-result.
    virtual void Init(TNMCustomDraw* notification, std::uint32_t* result);
    // Writes the handler's choices into the record and the result word.
    virtual void Apply() = 0;

    TCustomDrawStage Stage() const;
    TNMCustomDraw& NMCustomDraw() const { return *nm_; }
    std::uint32_t& Result() const { return *result_; }

    // The draw font (a copy of the control font in the record's text colour) and the brush (the
    // record's background). Any change through the setters marks them changed.
    const QFont& Font();
    QColor FontColor();
    void SetFont(const QFont& font);
    void SetFontColor(const QColor& color);
    QColor BrushColor();
    void SetBrushColor(const QColor& color);
    bool FontChanged() const { return font_changed_; }
    bool BrushChanged() const { return brush_changed_; }

    bool SkipDefault = false;
    // Tree only: the result is neither cleared nor given flags.
    bool KeepResult = false;
    std::uint8_t ItemNotifyMode;

protected:
    virtual void CreateFont();
    virtual void CreateBrush();
    // The item-stage part shared by both kinds: font, then colours.
    void ApplyItemPrePaint(bool addFlags);

private:
    QFont control_font_;
    TNMCustomDraw* nm_ = nullptr;
    std::uint32_t* result_ = nullptr;
    bool font_made_ = false;
    bool brush_made_ = false;
    QFont font_;
    QColor font_color_;
    QColor brush_color_;
    bool font_changed_ = false;
    bool brush_changed_ = false;
};

class TPTTvCustomDraw : public TPTCustomDraw {
public:
    using TPTCustomDraw::TPTCustomDraw;
    void Apply() override;
};

class TPTLvCustomDraw : public TPTCustomDraw {
public:
    using TPTCustomDraw::TPTCustomDraw;
    void Apply() override;
};

}  // namespace corvane::shell
