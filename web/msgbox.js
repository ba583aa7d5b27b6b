// The message box in the page: a modal <dialog> over the console, centred,
// with a title bar (the caption and a close mark), the text and one OK
// button that has the focus. Enter, Space, Esc, OK and the close mark
// dismiss it. It is taken out of the page again once dismissed.
mergeInto(LibraryManager.library, {
  merong_message_box__deps: ['$merongText'],
  merong_message_box__sig: 'iii',
  merong_message_box: function(textPtr, captionPtr) {
    // This runs again when the program resumes: nothing may happen before
    // handleSleep, which then only hands over what the box returned.
    return Asyncify.handleSleep(function(wakeUp) {
      var text = merongText.string(textPtr), caption = merongText.string(captionPtr);
      var element = function(tag, className, content) {
        var e = document.createElement(tag);
        if (className) e.className = className;
        if (content != null) e.textContent = content;
        return e;
      };
      var dialog = element("dialog", "box");
      var title = element("div", "title");
      var name = element("span", "caption", caption);
      name.id = "box-caption";
      dialog.setAttribute("aria-labelledby", name.id);
      var close = element("button", "close", "\u2715");
      close.setAttribute("aria-label", "Close");
      close.tabIndex = -1; // a mark for the mouse, as on Windows
      title.append(name, close);
      var body = element("p", "text", text);
      body.id = "box-text";
      dialog.setAttribute("aria-describedby", body.id);
      var buttons = element("div", "buttons");
      var ok = element("button", "ok", "OK");
      buttons.append(ok);
      dialog.append(title, body, buttons);
      ok.addEventListener("click", function() { dialog.close(); });
      close.addEventListener("click", function() { dialog.close(); });
      // Esc closes a modal dialog by itself.
      dialog.addEventListener("close", function() {
        dialog.remove();
        wakeUp(1); // IDOK
      });
      document.body.append(dialog);
      dialog.showModal();
      ok.focus();
    });
  },
});
