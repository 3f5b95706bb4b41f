// Headers most of the window's libraries include, parsed once for all of them.
#pragma once

#include "core.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
