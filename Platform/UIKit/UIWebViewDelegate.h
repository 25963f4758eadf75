#pragma once

#include "Platform/Foundation/NSError.h"
#include "Platform/Foundation/NSURLRequest.h"

class UIWebView;

enum UIWebViewNavigationType : int {
    UIWebViewNavigationTypeLinkClicked = 0,
    UIWebViewNavigationTypeFormSubmitted = 1,
    UIWebViewNavigationTypeBackForward = 2,
    UIWebViewNavigationTypeReload = 3,
    UIWebViewNavigationTypeFormResubmitted = 4,
    UIWebViewNavigationTypeOther = 5,
};

// Hears a web view's loads, on the main thread. Every load that starts ends in exactly one of
// finish or fail, unless a newer load or the view's end replaces it first.
class UIWebViewDelegate {
public:
    virtual ~UIWebViewDelegate() = default;
    // Answering false keeps the view as it is.
    virtual bool webViewShouldStartLoadWithRequest(UIWebView& webView, const NSURLRequest& request, UIWebViewNavigationType type)
    {
        return true;
    }
    virtual void webViewDidStartLoad(UIWebView& webView) { }
    virtual void webViewDidFinishLoad(UIWebView& webView) { }
    virtual void webViewDidFailLoadWithError(UIWebView& webView, const NSError& error) { }
};
