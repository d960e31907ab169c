// The disc picture with the check's findings, and its animation during a check. Drawing goes
// into QImages, which is safe off the GUI thread.
#pragma once

#include <QImage>
#include <array>
#include <functional>
#include <memory>

#include "cdcheck/check_result.h"
#include "cdcheck/check_worker.h"

namespace qdu {

inline constexpr int kPictureWidth = 311;
inline constexpr int kPictureHeight = 173;

// The tilted disc on white, drawn once.
const QImage& DiscPicture();

// Keeps the revealed dots of each list drawn, so that a frame costs the same with a hundred
// thousand findings as with none. It gives exactly the pixels of drawing every dot anew, as
// long as the lists only grow while it is used, as they do during one check.
class DotLayers {
public:
    void draw_onto(QImage& surface, const CInspectionResult& result);

private:
    struct Layer {
        QImage image;
        std::size_t drawn = 0;   // points of the list already looked at
        double reveal = -1e300;  // reveal_distance the layer was drawn for
    };
    std::array<Layer, 3> layers_;
};

// Draws the complete picture: the disc, the revealed dots, and the spot when asked.
// `layers` may be null (everything is drawn afresh).
void render_picture(QImage& surface, const CInspectionResult& result, bool with_spot,
                    DotLayers* layers = nullptr);

// What the animation draws into and how it asks the window to repaint.
struct DiscAnimationTarget {
    QImage offscreen_picture{kPictureWidth, kPictureHeight, QImage::Format_RGB32};
    DotLayers layers;
    std::function<void()> request_paint;
};

// The animation thread's body: circles the spot at the current radius and reveals the dots at
// each completed revolution until animation_stop is set. Everything it changes is changed
// under the context's dialog_lock.
int animate_disc(const std::shared_ptr<CheckContext>& context, DiscAnimationTarget& target);

}  // namespace qdu
