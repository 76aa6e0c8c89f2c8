// Window tests answer modal dialogs from a timer, since exec() does not
// return to the test until the dialog closes.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

// Runs action whenever a modal window of class T appears, until it returns true.
// A watch that may never see its window gives an owner, whose end ends it.
template <typename T>
void WhenModal(std::function<bool(T*)> action, QObject* owner = nullptr) {
  auto* timer = new QTimer(owner);
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    if (auto* modal = qobject_cast<T*>(QApplication::activeModalWidget()))
      if (action(modal)) timer->deleteLater();
  });
  timer->start(5);
}
