#include "ui/Boxes.h"

#include <QMessageBox>

#include <memory>

namespace {

QMessageBox::Icon IconOf(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::Critical: return QMessageBox::Critical;
    case BoxIcon::Exclamation: return QMessageBox::Warning;
    case BoxIcon::Question: return QMessageBox::Question;
    case BoxIcon::Information: break;
    }
    return QMessageBox::Information;
}

QMessageBox::StandardButton ButtonOf(BoxResult result)
{
    switch (result) {
    case BoxResult::Cancel: return QMessageBox::Cancel;
    case BoxResult::Yes: return QMessageBox::Yes;
    case BoxResult::No: return QMessageBox::No;
    case BoxResult::Ok: break;
    }
    return QMessageBox::Ok;
}

BoxResult ResultOf(int button)
{
    switch (button) {
    case QMessageBox::Cancel: return BoxResult::Cancel;
    case QMessageBox::Yes: return BoxResult::Yes;
    case QMessageBox::No: return BoxResult::No;
    default: return BoxResult::Ok;
    }
}

}  // namespace

QMessageBox* MakeMessageBox(const MessageBox& box, QWidget* parent)
{
    auto* m = new QMessageBox(parent);
    m->setWindowTitle(Text(box.title));
    QString text = Text(box.text);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m->setText(text);
    m->setIcon(IconOf(box.icon));
    switch (box.buttons) {
    case BoxButtons::Ok: m->setStandardButtons(QMessageBox::Ok); break;
    case BoxButtons::OkCancel: m->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case BoxButtons::YesNo: m->setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    }
    m->setDefaultButton(ButtonOf(box.defaultResult));
    return m;
}

Ask ModalAsk(QWidget* parent)
{
    return [parent](const MessageBox& box) {
        std::unique_ptr<QMessageBox> m(MakeMessageBox(box, parent));
        return ResultOf(m->exec());
    };
}
