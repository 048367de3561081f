#include "testing/mail_sink.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <cstdlib>
#include <filesystem>

namespace vor {

namespace fs = std::filesystem;

MailSink::MailSink(const Options& options)
    : process_(std::make_unique<QProcess>()), options_(options) {
  const std::string dir = folder_.path();
  QStringList args = {VOR_SMTP_SINK, "--folder",
                      QString::fromStdString(dir + "/mail"), "--port-file",
                      QString::fromStdString(dir + "/port")};
  if (options.starttls) {
    const std::string command =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "
        "/CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1,DNS:localhost "
        "-keyout " +
        dir + "/key.pem -out " + certificate() + " >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    args << "--cert" << QString::fromStdString(certificate()) << "--key"
         << QString::fromStdString(dir + "/key.pem");
  }
  if (!options.user.empty()) {
    args << "--user" << QString::fromStdString(options.user) << "--password"
         << QString::fromStdString(options.password);
  }
  for (const std::string& address : options.refuse) {
    args << "--refuse" << QString::fromStdString(address);
  }
  if (options.size_limit > 0) {
    args << "--size-limit" << QString::number(options.size_limit);
  }
  if (!options.misbehave.empty()) {
    args << "--misbehave" << QString::fromStdString(options.misbehave)
         << "--read-rate" << QString::number(options.read_rate);
  }
  process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_->start("/usr/bin/python3", args);
  for (int i = 0; i < 200 && port_ == 0; ++i) {
    if (fs::exists(dir + "/port")) {
      port_ = std::atoi(ReadFile(dir + "/port").c_str());
    } else if (process_->state() == QProcess::NotRunning) {
      break;
    } else {
      QThread::msleep(100);
    }
  }
  EXPECT_NE(port_, 0) << "the mail server did not start";
}

MailSink::~MailSink() {
  process_->terminate();
  if (!process_->waitForFinished(10000)) {
    process_->kill();
    process_->waitForFinished();
  }
}

std::vector<MailSink::Received> MailSink::Messages() const {
  std::vector<Received> list;
  const std::string mail = folder_.path() + "/mail";
  for (int n = 1; fs::exists(mail + "/" + std::to_string(n) + ".json"); ++n) {
    const QJsonObject o =
        QJsonDocument::fromJson(QByteArray::fromStdString(ReadFile(
                                    mail + "/" + std::to_string(n) + ".json")))
            .object();
    Received r;
    r.mail_from = o["mail_from"].toString().toStdString();
    for (const QJsonValue& to : o["rcpt_tos"].toArray()) {
      r.rcpt_tos.push_back(to.toString().toStdString());
    }
    r.from = o["from"].toString().toStdString();
    r.subject = o["subject"].toString().toStdString();
    r.text = o["text"].toString().toStdString();
    r.html = o["html"].toString().toStdString();
    for (const QJsonValue& name : o["attachments"].toArray()) {
      r.attachment_paths.push_back(mail + "/" + std::to_string(n) + "_" +
                                   name.toString().toStdString());
    }
    r.eml_path = mail + "/" + std::to_string(n) + ".eml";
    r.tls = o["tls"].toBool();
    r.authenticated = o["authenticated"].toBool();
    list.push_back(std::move(r));
  }
  return list;
}

std::string MailSink::SettingsSection() const {
  std::string text =
      "[SMTP]\r\nServidor=127.0.0.1\r\nPorta=" + std::to_string(port_) +
      "\r\nSeguranca=" + (options_.starttls ? "STARTTLS" : "Nenhuma") +
      "\r\nemailEmissor=vor@empresa.pt\r\n"
      "NomeEmissor=Compras Fábrica\r\n";
  if (!options_.user.empty() || options_.misbehave == "echo-auth") {
    text += "Utilizador=" + options_.user +
            "\r\nPassword=" + options_.password + "\r\n";
  }
  return text;
}

int MailSink::ClosedPort() {
  // A port the system hands out and takes back at once: nothing listens.
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t size = sizeof address;
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  close(s);
  return ntohs(address.sin_port);
}

}  // namespace vor
