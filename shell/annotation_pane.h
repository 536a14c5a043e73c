// A one-line pane showing a boundary list over the shown stretch: the word
// pane `Wdonnees_annotations` and the phoneme pane `Wdonnees_etiquetage`.
#pragma once

#include <QString>
#include <QWidget>

#include "annotation/notetiqs.h"

namespace ardv::shell {

class AnnotationPane : public QWidget {
  Q_OBJECT
 public:
  // `list` is read at every paint (not owned); `name` is shown while empty.
  AnnotationPane(const notetiqs* list, QString name, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const notetiqs* list_;
  QString name_;
};

}  // namespace ardv::shell
