#pragma once
// A caption bar: a double-buffered paint box filled with its background colour, a one-colour
// alpha gradient laid over it, and its caption written on top.
#include <cstdint>

#include "graphics/widgets/RasterImage.h"

namespace qm {

enum TgpDirection : uint8_t { gpdUp, gpdDown, gpdLeft, gpdRight };
enum TgpTextVAlign : uint8_t { gpVTop, gpVCenter, gpVBottom };
enum TgpTextHAlign : uint8_t { gpHLeft, gpHCenter, gpHRight };

class TGradPanel32 : public TCustomPaintBox32 {
    Q_OBJECT
public:
    // 150 x 16, opaque black fading from the left over the window colour, white caption.
    explicit TGradPanel32(QWidget* Parent = nullptr);

    // Each setter stores the value and repaints the panel.
    TColor32 FGColor() const { return FFGColor; }
    void SetFGColor(TColor32 Value);
    bool RenderText() const { return FRenderText; }
    void SetRenderText(bool Value);
    int32_t RenderTextAALevel() const { return FRenderTextAALevel; }
    void SetRenderTextAALevel(int32_t Value);
    uint8_t RenderTextAlpha() const { return FRenderTextAlpha; }
    void SetRenderTextAlpha(uint8_t Value);
    int32_t TextIndent() const { return FTextIndent; }
    void SetTextIndent(int32_t Value);
    TgpDirection Direction() const { return FDirection; }
    void SetDirection(TgpDirection Value);
    TgpTextVAlign TextVAlign() const { return FTextVAlign; }
    void SetTextVAlign(TgpTextVAlign Value);
    TgpTextHAlign TextHAlign() const { return FTextHAlign; }
    void SetTextHAlign(TgpTextHAlign Value);
    int32_t Offset() const { return FOffset; }
    void SetOffset(int32_t Value);

    // The background colour is the paint box's Color (default the window colour).
    const AnsiString& Caption() const { return FCaption; }
    // A changed caption repaints the panel.
    void SetCaption(const AnsiString& Value);
    // Changing the font ends ParentFont.
    TFont& Font() { return FFont; }
    // With ParentFont the panel takes its parent's font (a caption panel's whole font, or
    // another parent's face, size and style) and follows it.
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    // The help topic of the panel.
    int32_t HelpContext = 0;

    // Fires after the panel has drawn its buffer.
    std::function<void(QObject* Sender, TBitmap32& Buffer)> OnPaintBuffer;
    TControlEvent OnClick;
    TControlEvent OnDblClick;
    // X and Y in the panel's coordinates.
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)>
        OnMouseDown;
    std::function<void(QObject* Sender, TShiftState Shift, int32_t X, int32_t Y)> OnMouseMove;
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)>
        OnMouseUp;

    void PaintBuffer() override;
    // Background, gradient and caption drawn into Buffer.
    void PaintGradient(TBitmap32& Buffer);

protected:
    bool event(QEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    void AdoptParentFont();

    TColor32 FFGColor = 0xFF000000;
    bool FRenderText = false;
    int32_t FRenderTextAALevel = 1;
    uint8_t FRenderTextAlpha = 255;
    int32_t FTextIndent = 5;
    TgpDirection FDirection = gpdLeft;
    TgpTextVAlign FTextVAlign = gpVCenter;
    TgpTextHAlign FTextHAlign = gpHLeft;
    int32_t FOffset = 0;
    AnsiString FCaption;
    TFont FFont;
    bool FParentFont = false;
    bool FAdoptingFont = false;
    bool FClickPending = false;
};

} // namespace qm
