#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <string>

#include "core/app/ad_box.h"

class QBasicTimer;
class QWebEngineProfile;
class QWebEngineView;

namespace sky::ui {

class AdRequestGuard;
class UiJob;

// The ad box: the service's ad page, fetched by a worker into a private file
// and shown in a small page without script or plug-ins. Whatever the ad
// links to opens in the main browser, never in the box; a failed fetch
// leaves the last ad (or nothing).
class CInfoBox : public QWidget {
    Q_OBJECT
public:
    // `openInMain` takes every web address the ad leads to.
    CInfoBox(std::string adHost, std::function<void(const QString&)> openInMain, QWidget* parent = nullptr);
    ~CInfoBox() override;

    // Fetches a new ad every period when `rotation` is on; off, no ad comes.
    void Start(AdRotation rotation);
    // One fetch; false while one runs.
    bool Fetch();

    QWebEngineView* view() const { return view_; }
    QUrl adFileUrl() const { return adFileUrl_; }
    bool timerActive() const;
    int fetchesDone() const { return fetchesDone_; }
    int fetchesFailed() const { return fetchesFailed_; }

signals:
    // The first ad finished loading: the box has something to show.
    void firstAdShown();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void OnFetched(int ok);

    std::string adHost_;
    std::string adFile_;
    QUrl adFileUrl_;
    std::function<void(const QString&)> openInMain_;
    QWebEngineProfile* profile_ = nullptr;
    AdRequestGuard* guard_ = nullptr;
    QWebEngineView* view_ = nullptr;
    UiJob* job_ = nullptr;
    QBasicTimer* timer_ = nullptr;
    bool shownOnce_ = false;
    int fetchesDone_ = 0;
    int fetchesFailed_ = 0;
};

}  // namespace sky::ui
