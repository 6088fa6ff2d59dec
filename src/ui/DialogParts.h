#pragma once
// Pieces the window and the dialogs share.
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>

// Gives a control the name the code and the tests know it by.
template <class W>
W* Named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The row that ends a dialog: "&Ok" (the default button), which calls OnOk,
// and "&Cancel", which closes it without changes; both at the right.
template <class D>
QHBoxLayout* OkCancelRow(D* dialog, void (D::*OnOk)())
{
    auto* cmdOk = Named(new QPushButton(QStringLiteral("&Ok"), dialog), "cmdOk");
    cmdOk->setDefault(true);
    auto* cmdCancel = Named(new QPushButton(QStringLiteral("&Cancel"), dialog), "cmdCancel");
    QObject::connect(cmdOk, &QPushButton::clicked, dialog, OnOk);
    QObject::connect(cmdCancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    return buttons;
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
