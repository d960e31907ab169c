#include "status/status_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "shell/control_binder.h"
#include "shell/qt_text.h"
#include "status/error_indicator.h"

namespace qdu {

using namespace status_page;

namespace {

constexpr int kDialog = 139;
constexpr int kTickMs = 1000;

}  // namespace

CDialogStatusR42J::CDialogStatusR42J(QWidget* parent) : TabPage(parent) {
    setObjectName(QString::number(kDialog));
    auto* layout = new QVBoxLayout(this);

    auto label = [this](int id, Qt::Alignment alignment) {
        auto* l = make_control<QLabel>(id);
        // Texts from the drive and the disc are shown as they are, never read as markup.
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(alignment | Qt::AlignVCenter);
        controls_.insert(id, l);
        return l;
    };
    auto edit = [this](int id, int tooltip_id) {
        auto* e = make_control<QLineEdit>(id);
        e->setReadOnly(true);
        e->setAlignment(Qt::AlignRight);
        e->setToolTip(qt_text(tooltip_id));
        controls_.insert(id, e);
        return e;
    };

    auto* clarivox = new QGroupBox(qt_control_text(kDialog, 0));
    auto* counters = new QGridLayout(clarivox);
    QLabel* title = label(kIndicatorTitle, Qt::AlignLeft);
    title->setWordWrap(true);
    title->setMinimumHeight(2 * title->fontMetrics().height());
    counters->addWidget(title, 0, 0);
    indicator_ = new CErrorIndicator;
    indicator_->setToolTip(qt_text(220));
    indicator_->setFixedSize(indicator_->sizeHint());
    controls_.insert(kIndicator, indicator_);
    counters->addWidget(indicator_, 0, 1, Qt::AlignRight);
    counters->addWidget(label(kQualityWord, Qt::AlignRight), 1, 1);
    QLabel* sectors_label = label(kSectorsLabel, Qt::AlignLeft);
    sectors_label->setText(qt_control_text(kDialog, kSectorsLabel));
    counters->addWidget(sectors_label, 2, 0);
    QLineEdit* sectors = edit(kSectors, 222);
    sectors_label->setBuddy(sectors);
    counters->addWidget(sectors, 2, 1);
    QLabel* time_label = label(kTimeLabel, Qt::AlignLeft);
    time_label->setText(qt_control_text(kDialog, kTimeLabel));
    counters->addWidget(time_label, 3, 0);
    QLineEdit* time = edit(kTime, 223);
    time_label->setBuddy(time);
    counters->addWidget(time, 3, 1);
    auto* clear = make_control<QPushButton>(kClear, qt_control_text(kDialog, kClear));
    clear->setToolTip(qt_text(224));
    controls_.insert(kClear, clear);
    counters->addWidget(clear, 4, 1, Qt::AlignRight);
    connect(clear, &QPushButton::clicked, this, [this] { logic_.on_clear(); });
    layout->addWidget(clarivox);

    auto* disc = make_control<QGroupBox>(1068, qt_control_text(kDialog, 1068));
    auto* rows = new QGridLayout(disc);
    int row = 0;
    for (const auto& pair : kDiscRows) {
        rows->addWidget(label(pair[0], Qt::AlignLeft), row, 0);
        rows->addWidget(label(pair[1], Qt::AlignRight), row, 1);
        ++row;
    }
    rows->setColumnStretch(1, 1);
    layout->addWidget(disc);
    QLabel* warning = label(kWarning, Qt::AlignLeft);
    warning->setWordWrap(true);
    layout->addWidget(warning);
    layout->addStretch(1);

    logic_.on_initialise();
    show_state();

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("timer0"));
    timer_->setInterval(kTickMs);
    connect(timer_, &QTimer::timeout, this, &CDialogStatusR42J::on_timer);
    timer_->start();
}

void CDialogStatusR42J::RefreshFromDrive() {
    logic_.RefreshFromDrive();
    show_state();
    emit refreshed();
}

void CDialogStatusR42J::on_timer() {
    if (!status_page_visible()) {
        return;
    }
    // The bar is repainted as soon as the counters are in, before the disc commands.
    logic_.tick([this] { indicator_->show_level(static_cast<std::uint8_t>(logic_.state.level)); });
    show_state();
}

void CDialogStatusR42J::show_state() {
    const StatusPageState& s = logic_.state;
    for (auto it = controls_.cbegin(); it != controls_.cend(); ++it) {
        const auto found = s.texts.find(it.key());
        if (found == s.texts.end()) {
            continue;
        }
        const QString value = QString::fromStdString(found->second);
        if (auto* l = qobject_cast<QLabel*>(it.value())) {
            l->setText(value);
        } else if (auto* e = qobject_cast<QLineEdit*>(it.value())) {
            e->setText(value);
        }
    }
    for (const int id : kCounterControls) {
        if (QWidget* control = controls_.value(id)) {
            control->setVisible(s.counters_shown);
        }
    }
    if (auto* word = qobject_cast<QLabel*>(controls_.value(kQualityWord))) {
        indicator_->set_word(word->text());
        QPalette palette = word->palette();
        palette.setColor(QPalette::WindowText,
                         s.quality_word_red() ? QColor(255, 0, 0) : QColor(Qt::black));
        word->setPalette(palette);
    }
}

}  // namespace qdu
