#include "frame_bars.h"

#include "child_frame.h"
#include "main_frame.h"

#include <QDockWidget>
#include <QPainter>
#include <QPushButton>

#include <memory>

namespace kravin::shell {

namespace {

QString tx(UiLanguage l, const char* english, const char* japanese)
{
    return QString::fromUtf8(l == UiLanguage::Japanese ? japanese : english);
}

ViewBar* systemBar(ChildFrame& frame, MainFrame& main, const FrameBarServices& s)
{
    auto* bar = new ViewBar(barid::SystemBar);
    const UiLanguage l = s.language;
    MainFrame* m = &main;
    bar->addButton(barid::SystemDenTan, tx(l, "Communication Terminal Connection", "通信端子結線"), [m] {
        m->views().openDenTan();
        m->refresh();
    });
    bar->addButton(
        barid::SystemBlkList, tx(l, "Function Block List", "機能ブロック一覧"),
        [m] {
            m->views().openBlkList();
            m->refresh();
        },
        [s] { return s.unitHasBlockList && s.unitHasBlockList(); });
    bar->addCloseButton(barid::SystemClose, tx(l, "Close", "閉じる"), [m] { m->destroyFrame(ViewKind::System); });
    frame.addTopBar(bar);
    return bar;
}

ViewBar* blockListBar(ChildFrame& frame, MainFrame& main, const FrameBarServices& s)
{
    auto* bar = new ViewBar(barid::BlkListBar);
    const UiLanguage l = s.language;
    MainFrame* m = &main;
    bar->addButton(barid::BlkListSystem, tx(l, "System Configuration", "システム構成"), [m] {
        m->views().openSystem();
        m->refresh();
    });
    bar->addButton(barid::BlkListAnaTan, tx(l, "Analog Terminal Connection", "アナログ端子結線"), [m, s] {
        if (s.writeUnit && !s.writeUnit()) return;
        m->views().openAnaTan();
        m->refresh();
    });
    bar->addButton(barid::BlkListSeqBlk, tx(l, "Sequential Control Block Setting", "シーケンス制御ブロック設定"),
                   [m, s] {
                       if (s.writeUnit && !s.writeUnit()) return;
                       m->views().openSeqBlk();
                       m->refresh();
                   });
    auto caption = std::make_shared<std::function<void()>>();
    QPushButton* bank = bar->addButton(barid::BlkListBank, QString(), [s, caption] {
        if (!s.bankShown || !s.bankShown()) return;
        if (s.switchBank) s.switchBank();
        (*caption)();
    });
    *caption = [bank, s, l] {
        const int current = s.bank ? s.bank() : 0;
        bank->setText(res::qmessage(current == 2 ? 8401 : 8400, l));
    };
    bank->setVisible(s.bankShown && s.bankShown());
    (*caption)();
    bar->addCloseButton(barid::BlkListClose, tx(l, "Close", "閉じる"), [m, s] {
        if (s.resetBank) s.resetBank();
        m->destroyFrame(ViewKind::BlkList);
    });
    frame.addTopBar(bar);
    return bar;
}

ViewBar* anaTanBar(ChildFrame& frame, MainFrame& main, const FrameBarServices& s)
{
    auto* bar = new ViewBar(barid::AnaTanBar);
    const UiLanguage l = s.language;
    MainFrame* m = &main;
    bar->addButton(barid::AnaTanBlkList, tx(l, "Function Block List", "機能ブロック一覧"), [m] {
        m->views().openBlkList();
        m->refresh();
    });
    // Close asks the view first (open jump marks).
    bar->addCloseButton(barid::AnaTanClose, tx(l, "Close", "閉じる"), [m] {
        if (m->views().frameMayClose(ViewKind::AnaTan)) m->destroyFrame(ViewKind::AnaTan);
    });
    frame.addTopBar(bar);
    auto* info = new InfoBar(barid::AnaTanInfoBar, s.unitInfo);
    info->paintExtra = s.lineSample;
    QObject::connect(&main, &MainFrame::commandsRefreshed, info, [info] { info->update(); });
    frame.addTopBar(info);
    return bar;
}

// The communication view's info bar, docked at the right: painted by the tool.
class CommInfoPanel final : public QWidget {
public:
    explicit CommInfoPanel(std::function<void(QPainter&, const QRect&)> paint) : paint_(std::move(paint))
    {
        setMinimumSize(110, 280);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setBackgroundMode(Qt::TransparentMode);
        if (paint_) paint_(p, rect());
    }

private:
    std::function<void(QPainter&, const QRect&)> paint_;
};

ViewBar* denTanBar(ChildFrame& frame, MainFrame& main, const FrameBarServices& s)
{
    auto* bar = new ViewBar(barid::DenTanBar);
    const UiLanguage l = s.language;
    MainFrame* m = &main;
    bar->addButton(barid::DenTanSystem, tx(l, "System Configuration", "システム構成"), [m] {
        m->views().openSystem();
        m->refresh();
    });
    // Close asks the view first (pending jumps).
    bar->addCloseButton(barid::DenTanClose, tx(l, "Close", "閉じる"), [m] {
        if (m->views().frameMayClose(ViewKind::DenTan)) m->destroyFrame(ViewKind::DenTan);
    });
    frame.addTopBar(bar);
    auto* dock = new QDockWidget;
    dock->setObjectName(QStringLiteral("infoBar%1").arg(barid::DenTanInfoBar));
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dock->setTitleBarWidget(new QWidget(dock));
    auto* panel = new CommInfoPanel(s.commInfo);
    dock->setWidget(panel);
    QObject::connect(&main, &MainFrame::commandsRefreshed, panel, [panel] { panel->update(); });
    frame.addDockBar(Qt::RightDockWidgetArea, dock);
    return bar;
}

}  // namespace

ViewBar* addFrameBar(ViewKind kind, ChildFrame& frame, MainFrame& main, const FrameBarServices& services)
{
    ViewBar* bar = nullptr;
    switch (kind) {
    case ViewKind::System: bar = systemBar(frame, main, services); break;
    case ViewKind::BlkList: bar = blockListBar(frame, main, services); break;
    case ViewKind::AnaTan: bar = anaTanBar(frame, main, services); break;
    case ViewKind::DenTan: bar = denTanBar(frame, main, services); break;
    default: return nullptr;
    }
    QObject::connect(&main, &MainFrame::commandsRefreshed, bar, &ViewBar::refresh);
    bar->refresh();
    return bar;
}

}  // namespace kravin::shell
