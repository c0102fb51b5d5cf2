// The attachments of a mail message, counted from 1 as the platform's collection counts them:
// `msg.Attachments.Count`, `msg.Attachments(1).FileName`.
#pragma once

#include "automation/VekObject.h"
#include "net/MailContent.h"

namespace ulka {

class TMailAttachments : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  explicit TMailAttachments(MailContentPtr content);

  Ref<IDispatch> Item(int32_t Index);
  int32_t GetCount();

 private:
  MailContentPtr FContent;
};

}  // namespace ulka
