#pragma once
// Message boxes in the window. The system's texts break lines with CR (or
// CR LF); Qt wants LF.
#include "platform/Seams.h"

#include <QString>

#include <string>

class QMessageBox;
class QWidget;

// Texts of the system: one byte per character.
inline QString Text(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }
inline std::string Latin1(const QString& s)
{
    const QByteArray latin = s.toLatin1();
    return std::string(latin.constData(), static_cast<size_t>(latin.size()));
}

// A configured box, not shown yet; the caller owns it.
QMessageBox* MakeMessageBox(const MessageBox& box, QWidget* parent);
// Asks and waits for the answer: only for boxes that answer the operator's own action.
Ask ModalAsk(QWidget* parent);
