// SPDX-License-Identifier: MIT
// A small Qt Widgets program that shows whether a Qt build for Windows works:
// a label with Polish and Cyrillic text, a button, and a Cancel button whose
// text comes from Qt's own translations (qtbase_LANG.qm in a "translations"
// folder beside the program). It reports to a file, one line per fact, so
// that the runner (run_qt_smoke.py) can follow it without a console:
//   platform NAME / style NAME / translator loaded|missing / cancel TEXT
//   ready X Y CX CY    painted; screen centres of the button and of Cancel
//   clicked N          the button was clicked (N times)
// Cancel quits with exit code 0.
//
// usage: qt-smoke.exe REPORT_FILE [LANG]
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTranslator>
#include <QVBoxLayout>
#include <QWidget>

#include <functional>
#include <utility>

namespace {

class Report {
public:
    explicit Report(const QString &path) : file_(QDir::fromNativeSeparators(path)) {
        file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
    }
    // Each line is flushed at once: the runner reads the file while we run.
    void line(const QString &text) {
        file_.write(text.toUtf8() + '\n');
        file_.flush();
    }

private:
    QFile file_;
};

// The window tells once when it has first been painted: then a screenshot
// shows it.
class SmokeWindow : public QWidget {
public:
    std::function<void()> onFirstPaint;

protected:
    void paintEvent(QPaintEvent *event) override {
        QWidget::paintEvent(event);
        if (onFirstPaint)
            QTimer::singleShot(0, this, std::exchange(onFirstPaint, nullptr));
    }
};

QString centre(const QWidget *w) {
    const QPoint c = w->mapToGlobal(w->rect().center());
    return QString::number(c.x()) + ' ' + QString::number(c.y());
}

}  // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2)
        return 2;
    Report report(args.at(1));
    const QString lang = args.size() > 2 ? args.at(2) : QStringLiteral("pl");

    QTranslator qtbase;
    const bool loaded = qtbase.load(QStringLiteral("qtbase_") + lang,
                                    QApplication::applicationDirPath() + QStringLiteral("/translations"));
    if (loaded)
        QApplication::installTranslator(&qtbase);
    report.line(QStringLiteral("platform ") + QGuiApplication::platformName());
    report.line(QStringLiteral("style ") + QApplication::style()->name());
    report.line(QStringLiteral("translator ") + (loaded ? "loaded" : "missing"));

    SmokeWindow window;
    window.setObjectName(QStringLiteral("qtSmokeWindow"));
    window.setWindowTitle(QStringLiteral("Qt smoke test"));
    auto *layout = new QVBoxLayout(&window);
    auto *label = new QLabel(QStringLiteral("Zażółć gęślą jaźń — Привет"));
    QFont big = label->font();
    big.setPointSize(16);
    label->setFont(big);
    auto *button = new QPushButton(QStringLiteral("Kliknij / Нажми"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    layout->addWidget(label);
    layout->addWidget(button);
    layout->addWidget(buttons);
    QPushButton *cancel = buttons->button(QDialogButtonBox::Cancel);
    report.line(QStringLiteral("cancel ") + cancel->text());

    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] {
        ++clicks;
        label->setText(QStringLiteral("Kliknięto — Нажато: %1").arg(clicks));
        label->repaint();  // on the screen before the runner hears of the click
        report.line(QStringLiteral("clicked %1").arg(clicks));
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &app, &QApplication::quit);

    // Positions are final once the window has been shown and painted.
    window.onFirstPaint = [&] {
        report.line(QStringLiteral("ready ") + centre(button) + ' ' + centre(cancel));
    };
    window.move(40, 40);
    window.resize(520, 200);
    window.show();
    return QApplication::exec();
}
