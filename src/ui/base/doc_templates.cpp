#include "ui/base/doc_templates.h"

namespace sky::ui {

DocTemplates::DocTemplates()
    : templates_{{
          {TemplateId::Browser, "CK7Doc", "CChildFrame", "CK7View", 152, "main browser", {}},
          {TemplateId::Browser2, "CK7Doc", "CChildFrame", "CK7View", 152, "second browser", {}},
          {TemplateId::Email, "CK7EmailDoc", "CK7EmailFrame", "CK7EmailView", 154, "e-mail", {}},
          {TemplateId::PublicSpace,
           "CPublicSpaceDoc",
           "CChildFrame",
           "CPublicSpaceView",
           152,
           "web space",
           {}},
          {TemplateId::HttpSvr, "CHttpSvrDoc", "CChildFrame", "CHttpSvrView", 151, "personal web server", {}},
          {TemplateId::SkyPad, "CSkyPadDoc", "CSkyPadFrame", "CSkyPadView", 507, "SkyPad text editor", {}},
          {TemplateId::Ftp, "CFTPDoc", "CFTPFrame", "CFTPView", 509, "FTP client", {}},
          {TemplateId::Chat, "CChatDoc", "CChatFrame", "CChatView", 213, "chat", {}},
          {TemplateId::PageEdit,
           "CPageEditDoc",
           "CPageEditFrame",
           "CPageEditBrowserView",
           511,
           "page editor",
           {}},
          {TemplateId::Explorer, "CExplorerDoc", "CExplorerFrame", "CExplorerView", 514, "popup browser", {}},
      }} {}

}  // namespace sky::ui
