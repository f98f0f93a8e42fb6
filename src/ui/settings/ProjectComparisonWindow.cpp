#include "ui/settings/ProjectComparisonWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/common/DialogLook.h"

namespace ui {

namespace {

QString Qs(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

ProjectComparisonWindow::ProjectComparisonWindow(QWidget* parent)
    : QDialog(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      summary_(new QLabel(this)),
      table_(new QTableWidget(this)),
      close_(new QPushButton(QStringLiteral("关闭"), this)) {
    setWindowTitle(QString::fromUtf8(kCompareTitle));
    setFont(DialogFont());
    setModal(false);
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    table_->setColumnCount(5);
    table_->setHorizontalHeaderLabels({QStringLiteral("类别"), QStringLiteral("序号"), QStringLiteral("名称"),
                                       QStringLiteral("当前值"), QStringLiteral("文件中的值")});
    table_->verticalHeader()->setVisible(false);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setShowGrid(true);
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionResizeMode(2, QHeaderView::Stretch);
    table_->setColumnWidth(0, 50);
    table_->setColumnWidth(1, 45);
    table_->setColumnWidth(3, 130);
    table_->setColumnWidth(4, 130);

    close_->setAutoDefault(false);
    connect(close_, &QPushButton::clicked, this, &QWidget::hide);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
    resize(640, 420);
}

void ProjectComparisonWindow::ShowComparison(const ProjectComparisonResult& result) {
    summary_->setText(QStringLiteral("项目文件：%1\n与当前数值不同的共 %2 项：")
                          .arg(Qs(result.path))
                          .arg(result.differences.size()));
    table_->clearContents();
    table_->setRowCount(static_cast<int>(result.differences.size()));
    int row = 0;
    for (const ValueDifference& d : result.differences) {
        const QString cells[] = {Qs(d.block), QString::number(d.number), Qs(d.name), Qs(d.windowValue),
                                 Qs(d.fileValue)};
        for (int c = 0; c < 5; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c != 2) item->setTextAlignment(Qt::AlignCenter);
            table_->setItem(row, c, item);
        }
        ++row;
    }
    table_->scrollToTop();
    table_->setCurrentCell(-1, -1);  // nothing marked: the rows read alike
    showNormal();
    raise();
    activateWindow();
    close_->setFocus();
}

}  // namespace ui
