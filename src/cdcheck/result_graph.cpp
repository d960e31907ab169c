#include "cdcheck/result_graph.h"

#include <QConicalGradient>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>
#include <thread>

#include "cdcheck/grading.h"

namespace qdu {

namespace {

const QColor kDotColours[3] = {QColor(0, 240, 0), QColor(255, 165, 0), QColor(255, 0, 0)};
const QColor kSpotColour(255, 0, 0, 96);
constexpr double kFullStep = 2.0;
constexpr double kQuickStep = 6.0;
constexpr auto kFramePause = std::chrono::milliseconds(10);

const std::vector<CInspectionResult::CNgData>& list_of(const CInspectionResult& r, int i) {
    return i == 0 ? r.points_b : i == 1 ? r.points_c : r.points_d;
}

// Draws the dots of one list from `from` on, by the reveal and repeat rules.
void draw_dots(QPainter& painter, const std::vector<CInspectionResult::CNgData>& points,
               std::size_t from, double reveal, const QColor& colour) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    for (std::size_t k = from; k < points.size(); ++k) {
        const auto& p = points[k];
        if (p.distance > reveal) {
            continue;
        }
        if (k > 0 && p.x == points[k - 1].x && p.y == points[k - 1].y) {
            continue;  // the same place as the one before: drawn already, or hidden alike
        }
        painter.drawEllipse(QRect(p.x, p.y, p.width, p.height));
    }
}

// The placement of the dots as a transform: a circle of picture distance d around the origin
// maps onto the ring where the dots of distance d lie, centred as the 6-pixel dots are. Read
// off the placement itself, far out so that its whole-pixel rounding does not matter.
QTransform placement_transform() {
    constexpr double kFar = 100000.0;
    const PicturePoint origin = picture_point(0.0, 0.0);
    const PicturePoint along = picture_point(kFar, 0.0);
    const PicturePoint across = picture_point(kFar, 90.0);
    return QTransform((along.x - origin.x) / kFar, (along.y - origin.y) / kFar,
                      (across.x - origin.x) / kFar, (across.y - origin.y) / kFar, origin.x + 3.0,
                      origin.y + 3.0);
}

// Drawn in the placement's own space, so that every radius the check reads (22 to 58 mm,
// and the rim at 60) lies on the disc's surface.
QImage draw_disc() {
    QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setTransform(placement_transform());
    auto ring = [](double radius_mm) {
        const double d = picture_distance(radius_mm);
        return QRectF(-d, -d, 2 * d, 2 * d);
    };

    const QRectF disc = ring(61.0);
    QRadialGradient silver(QPointF(-50, -60), 260);
    silver.setColorAt(0.0, QColor(246, 248, 251));
    silver.setColorAt(0.55, QColor(205, 210, 218));
    silver.setColorAt(1.0, QColor(158, 165, 176));
    QPen rim(QColor(120, 126, 136), 1.2);
    rim.setCosmetic(true);
    p.setPen(rim);
    p.setBrush(silver);
    p.drawEllipse(disc);

    // A faint rainbow band across the data area.
    QConicalGradient rainbow(QPointF(0, 0), 30);
    const QColor hues[] = {QColor(255, 90, 90, 46),   QColor(255, 220, 80, 46),
                           QColor(90, 220, 120, 46),  QColor(80, 170, 255, 46),
                           QColor(190, 110, 255, 46), QColor(255, 90, 90, 46)};
    for (int i = 0; i < 6; ++i) {
        rainbow.setColorAt(i / 5.0, hues[i]);
    }
    QPainterPath band;
    band.addEllipse(ring(57.0));
    band.addEllipse(ring(27.0));
    p.setPen(Qt::NoPen);
    p.setBrush(rainbow);
    p.drawPath(band);

    // The sheen: a soft light stripe from upper left to lower right.
    QLinearGradient sheen(QPointF(-140, -140), QPointF(140, 140));
    sheen.setColorAt(0.0, QColor(255, 255, 255, 0));
    sheen.setColorAt(0.42, QColor(255, 255, 255, 0));
    sheen.setColorAt(0.5, QColor(255, 255, 255, 110));
    sheen.setColorAt(0.58, QColor(255, 255, 255, 0));
    sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(sheen);
    p.drawEllipse(disc);

    // The clamping area and the hole.
    QPen edge(QColor(150, 156, 166), 1.0);
    edge.setCosmetic(true);
    p.setPen(edge);
    p.setBrush(QColor(226, 229, 234));
    p.drawEllipse(ring(17.0));
    p.setBrush(Qt::white);
    p.drawEllipse(ring(7.5));
    return image;
}

}  // namespace

const QImage& DiscPicture() {
    static const QImage picture = draw_disc();
    return picture;
}

void DotLayers::draw_onto(QImage& surface, const CInspectionResult& result) {
    QPainter onto(&surface);
    for (int i = 0; i < 3; ++i) {
        Layer& layer = layers_[static_cast<std::size_t>(i)];
        const auto& points = list_of(result, i);
        if (layer.image.isNull()) {
            layer.image = QImage(surface.size(), QImage::Format_ARGB32_Premultiplied);
            layer.image.setDevicePixelRatio(surface.devicePixelRatio());
            layer.image.fill(Qt::transparent);
        }
        // Only a list that grew under the same reveal can be drawn on; anything else is redrawn.
        if (layer.reveal != result.reveal_distance || points.size() < layer.drawn) {
            layer.image.fill(Qt::transparent);
            layer.drawn = 0;
            layer.reveal = result.reveal_distance;
        }
        if (points.size() > layer.drawn) {
            QPainter painter(&layer.image);
            draw_dots(painter, points, layer.drawn, result.reveal_distance, kDotColours[i]);
            layer.drawn = points.size();
        }
        onto.drawImage(0, 0, layer.image);
    }
}

void render_picture(QImage& surface, const CInspectionResult& result, bool with_spot,
                    DotLayers* layers) {
    {
        QPainter painter(&surface);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, DiscPicture());
    }
    if (layers != nullptr) {
        layers->draw_onto(surface, result);
    } else {
        QPainter painter(&surface);
        for (int i = 0; i < 3; ++i) {
            draw_dots(painter, list_of(result, i), 0, result.reveal_distance, kDotColours[i]);
        }
    }
    if (with_spot) {
        QPainter painter(&surface);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kSpotColour);
        painter.drawEllipse(
            QRect(result.spot_x, result.spot_y, result.spot_width, result.spot_height));
    }
}

int animate_disc(const std::shared_ptr<CheckContext>& context, DiscAnimationTarget& target) {
    CInspectionResult& result = check_result();
    double angle = 0.0;
    {
        std::lock_guard lock(context->dialog_lock);
        result.reveal_distance = picture_distance(0.0);
    }
    const double step = context->mode == Quick ? kQuickStep : kFullStep;
    while (!context->animation_stop) {
        {
            std::lock_guard lock(context->dialog_lock);
            // A radius is set before the animation starts; 25 mm guards a zero all the same.
            const double radius = context->current_radius > 0 ? context->current_radius : 25.0;
            const PicturePoint spot = picture_point(picture_distance(radius), angle);
            result.spot_x = spot.x;
            result.spot_y = spot.y;
            angle += step / radius * 25.0;
            if (angle >= 360.0) {
                angle = 0.0;
                result.reveal_distance = picture_distance(radius);
            }
            render_picture(target.offscreen_picture, result, true, &target.layers);
        }
        if (target.request_paint) {
            target.request_paint();
        }
        std::this_thread::sleep_for(kFramePause);
    }
    {
        std::lock_guard lock(context->dialog_lock);
        result.reveal_distance = 140.0;
        render_picture(target.offscreen_picture, result, false, &target.layers);
    }
    if (target.request_paint) {
        target.request_paint();
    }
    std::this_thread::sleep_for(kFramePause);
    return 0;
}

}  // namespace qdu
