#pragma once
// The program's emblem: drawn, so that no image file has to ship with it.
#include <QIcon>
#include <QPixmap>

QPixmap LogoPixmap(int size);
QIcon AppIcon();
