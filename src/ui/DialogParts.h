#pragma once
// Pieces the setup dialogs share.
#include <QGroupBox>
#include <QLabel>
#include <QString>
#include <QVBoxLayout>

// Gives a control the name the code and the tests know it by.
template <class W>
W* Named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The panel where hovering over a control shows its help text; Label receives the text.
inline QGroupBox* HelpPanel(QWidget* dialog, QLabel*& Label)
{
    auto* frame = Named(new QGroupBox(dialog), "frmHelp");
    Label = Named(new QLabel(frame), "lblHelp");
    Label->setWordWrap(true);
    Label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    Label->setMinimumHeight(64);
    (new QVBoxLayout(frame))->addWidget(Label);
    return frame;
}
