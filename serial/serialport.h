#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QStringList>

class QTimer;
class uarthandle;

// The serial side of the dual-light camera's calibration link: tries every serial port in
// turn with a handshake, 500 ms apart, until one answers 'y'; then asks that port for the
// calibration record and stores a complete one as "calib_uart_result.bin" (beside the program,
// or in the user's cache folder when the program's folder cannot be written). A reply that is
// not a sound record (blank memory, a short or damaged one) leaves the stored file as it is. Received bytes go to the parser thread (uarthandle). GUI thread.
//
// Ports are those named in ORVIK_SERIAL_PORTS (device paths separated by ':', for serial
// devices the system does not list, such as pseudo-terminals), then those the system lists.
class serialport : public QObject
{
    Q_OBJECT

public:
    static constexpr int kRecordBytes = 192;
    static constexpr int kScanIntervalMs = 500;
    static constexpr int kRescanAfterLossMs = 1500;

    explicit serialport(uarthandle* parser, QObject* parent = nullptr);
    ~serialport() override;

    bool hasCalibrationData() const;
    static QString recordPath();
    static QStringList portNamesToScan();
    QString currentPort() const { return currentPortName; }
    bool scanning() const;

signals:
    // A new record file was stored.
    void recordStored();

public slots:
    void ShankHandHandleSlots(QByteArray data);
    void ReadCalDataSlots(QByteArray data);
    void QTimerStart();
    void QTimerStop();

private slots:
    void SendShankToAllUartSlots();
    void JudgeUartIsValidSlots();
    void ReadDataFromUart();
    void onPortError(QSerialPort::SerialPortError error);

private:
    void closePort();
    void send(const QByteArray& request);

    uarthandle* parser;
    QSerialPort* port;
    QTimer* scanTimer;
    QStringList portNames;
    int scanIndex = 0;
    QString currentPortName;
    bool lossPending = false;
    bool scanWanted = false; // between QTimerStart and QTimerStop
    bool linked = false;     // the open port answered the handshake
};
