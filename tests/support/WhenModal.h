// Window tests answer modal dialogs from a timer, since exec() does not
// return to the test until the dialog closes.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

// Runs action whenever a modal window of class T appears, until it returns true.
template <typename T>
void WhenModal(std::function<bool(T*)> action) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    if (auto* modal = qobject_cast<T*>(QApplication::activeModalWidget()))
      if (action(modal)) timer->deleteLater();
  });
  timer->start(5);
}
