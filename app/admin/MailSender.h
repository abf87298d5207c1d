// Mailing a file: the file is handed to the desktop's mail client, where the operator types
// the recipients and sends it. Behind an interface so the viewer does not care which client.
#pragma once

#include <string>

class MailSender {
 public:
  virtual ~MailSender() = default;
  // Opens a message with `subject`, `body` and the file at `attachment` attached. "" when the
  // mail client took it, otherwise why not.
  virtual std::string send(const std::string& subject, const std::string& body,
                           const std::string& attachment) = 0;
};

// Runs `xdg-email` (xdg-utils) and waits for it with window events running (the event-pump
// hook, clocklink/EventPump.h, between slices of the wait); a non-zero exit is a failure. The
// attachment is passed as an absolute path. No xdg-email, or one that finds no mail program,
// is told as such: no mail client is set up.
class XdgEmailSender : public MailSender {
 public:
  std::string send(const std::string& subject, const std::string& body,
                   const std::string& attachment) override;
};
