#include "ui/app/doc_templates.h"

#include "ui/browser/ck7_view.h"
#include "ui/browser/explorer.h"
#include "ui/httpsvr/httpsvr_view.h"

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
      }} {
    auto browser = [](CMainFrame*) -> QWidget* { return new CK7View; };
    at(TemplateId::Browser).makeView = browser;
    at(TemplateId::Browser2).makeView = browser;
    at(TemplateId::HttpSvr).makeView = [](CMainFrame*) -> QWidget* { return new CHttpSvrView; };
    at(TemplateId::Explorer).makeView = [](CMainFrame*) -> QWidget* { return new CExplorerFrame; };
}

}  // namespace sky::ui
