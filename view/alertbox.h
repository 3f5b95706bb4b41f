#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// Warning that the folder for snapshots or recordings does not exist, or that a snapshot or a
// recording could not be written there.
class AlertBox : public QDialog
{
    Q_OBJECT

public:
    enum class Reason
    {
        MissingFolder,
        SnapshotNotSaved,
        RecordingNotStarted,
        RecordingStopped,
    };

    explicit AlertBox(QWidget* parent = nullptr, Reason reason = Reason::MissingFolder);
    Reason reason() const { return why; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void retranslate();

    QLabel* notFound;
    QLabel* hint;
    QPushButton* ok;
    QPushButton* cancel;
    Reason why;
};
