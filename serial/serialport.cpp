#include "serial/serialport.h"

#include "core/configmanager.h"
#include "core/log.h"
#include "sdk/common/dualrecord.h"
#include "serial/protocolstr.h"
#include "serial/uarthandle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSerialPortInfo>
#include <QTimer>

#include <algorithm>

serialport::serialport(uarthandle* parserThread, QObject* parent)
    : QObject(parent), parser(parserThread), port(new QSerialPort(this)), scanTimer(new QTimer(this))
{
    connect(scanTimer, &QTimer::timeout, this, &serialport::SendShankToAllUartSlots);
    connect(port, &QSerialPort::readyRead, this, &serialport::ReadDataFromUart);
    connect(port, &QSerialPort::errorOccurred, this, &serialport::onPortError);
}

serialport::~serialport()
{
    scanTimer->stop();
    closePort();
}

QString serialport::recordPath()
{
    return ConfigManager::getInstance()->storage().linkRecord;
}

bool serialport::hasCalibrationData() const
{
    const bool present = QFileInfo(recordPath()).isFile();
    LOG_INFO(LOG_SERIAL) << "path is:" << present;
    return present;
}

QStringList serialport::portNamesToScan()
{
    // Named ports first: whoever names one knows the camera is there.
    QStringList names = qEnvironmentVariable("ORVIK_SERIAL_PORTS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (!names.contains(info.systemLocation()))
            names << info.systemLocation();
    return names;
}

bool serialport::scanning() const
{
    return scanTimer->isActive();
}

void serialport::QTimerStart()
{
    scanWanted = true;
    // Asked again before every connection attempt: a running scan goes on, or each request
    // would put its next step off and no port would ever be tried; a port that answered is
    // asked again for the record rather than given up.
    if (!scanTimer->isActive() && !linked)
        scanTimer->start(kScanIntervalMs);
    if (port->isOpen())
        send(protocolstr::readRecord());
}

void serialport::QTimerStop()
{
    scanWanted = false;
    scanTimer->stop();
}

void serialport::SendShankToAllUartSlots()
{
    if (scanIndex == 0)
        portNames = portNamesToScan();
    if (portNames.isEmpty())
        return;
    closePort();
    scanIndex = std::min(scanIndex, int(portNames.size()) - 1);
    currentPortName = portNames[scanIndex];
    port->setPortName(currentPortName);
    port->setBaudRate(QSerialPort::Baud115200, QSerialPort::AllDirections);
    port->setParity(QSerialPort::NoParity);
    port->setDataBits(QSerialPort::Data8);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (port->open(QIODevice::ReadWrite))
        send(protocolstr::handshake());
    else
        LOG_WARNING(LOG_SERIAL) << currentPortName + QStringLiteral(" open failed");
    scanIndex = (scanIndex + 1) % int(portNames.size());
}

void serialport::send(const QByteArray& request)
{
    if (port->isOpen() && port->write(request) != request.size())
        LOG_WARNING(LOG_SERIAL) << "cannot write to" << currentPortName << "-" << port->errorString();
}

void serialport::ReadDataFromUart()
{
    const QByteArray chunk = port->readAll();
    if (!chunk.isEmpty())
        parser->push(chunk);
}

void serialport::closePort()
{
    linked = false;
    if (!port->isOpen())
        return;
    port->clear(QSerialPort::AllDirections);
    port->close();
    parser->discardPending();
}

void serialport::onPortError(QSerialPort::SerialPortError error)
{
    // Unplugged or failing while open: forget what arrived, look again from the start.
    if (error == QSerialPort::NoError || error == QSerialPort::OpenError || error == QSerialPort::DeviceNotFoundError ||
        error == QSerialPort::PermissionError || !port->isOpen() || lossPending)
        return;
    lossPending = true; // one loss, however many errors the port reports for it
    LOG_WARNING(LOG_SERIAL) << "serial port" << currentPortName << "lost:" << port->errorString();
    QMetaObject::invokeMethod(this, "JudgeUartIsValidSlots", Qt::QueuedConnection);
}

void serialport::JudgeUartIsValidSlots()
{
    lossPending = false;
    if (!portNamesToScan().contains(currentPortName))
        LOG_INFO(LOG_SERIAL) << currentPortName + QStringLiteral(" is null");
    closePort();
    scanIndex = 0;
    if (scanWanted) // a loss after the camera connected starts no scan
        scanTimer->start(kRescanAfterLossMs);
}

void serialport::ShankHandHandleSlots(QByteArray data)
{
    const char first = data.isEmpty() ? '\0' : data.at(0);
    LOG_INFO(LOG_SERIAL) << "ShankHandHandleSlots:" << QString(QLatin1Char(first));
    if (first == 'y' || first == 'Y') {
        scanTimer->stop();
        linked = true;
        send(protocolstr::readRecord());
    }
}

void serialport::ReadCalDataSlots(QByteArray data)
{
    if (data.isEmpty() || std::all_of(data.cbegin(), data.cend(), [&](char c) { return c == data.at(0); })) {
        LOG_INFO(LOG_SERIAL) << "cal data from uart is all:" << (data.isEmpty() ? 0 : int(uint8_t(data.at(0))));
        return;
    }
    if (data.size() != kRecordBytes) {
        LOG_INFO(LOG_SERIAL) << "cal data from uart holds" << data.size() << "bytes, not" << kRecordBytes
                             << "- not stored";
        return;
    }
    tcsdk::DualGeometry geometry;
    if (!tcsdk::decodeDualRecord(reinterpret_cast<const uint8_t*>(data.constData()), geometry)) {
        LOG_INFO(LOG_SERIAL) << "cal data from uart is not a sound record (mark or checksum) - not stored";
        return;
    }
    const QString path = recordPath();
    QFile stored(path);
    if (stored.open(QIODevice::ReadOnly) && stored.readAll() == data)
        return; // asked again at each connection attempt: the same record needs no new file
    // Written aside and renamed: a reader never sees half a record, and a failed write
    // leaves the previous file.
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        LOG_WARNING(LOG_SERIAL) << "cal data file open failed:" << file.errorString();
        return;
    }
    LOG_INFO(LOG_SERIAL) << "Read cal data from uart";
    emit recordStored();
}
