// Narrow text read in the page's ANSI code page (codepage.cpp), by the
// browser's own decoders: its "euc-kr" is Windows' code page 949, "gbk" 936,
// "big5" 950, "shift_jis" 932.
mergeInto(LibraryManager.library, {
  // The language the page is asked for (merong.html?lang=ko), or the
  // browser's first: letters, digits and hyphens only.
  page_language: function(out, size) {
    var asked = new URLSearchParams(location.search).get("lang");
    var language = asked || (navigator.languages && navigator.languages[0]) ||
                   navigator.language || "";
    if (!/^[A-Za-z0-9-]{1,35}$/.test(language)) language = "";
    stringToUTF8(language, out, size);
  },

  $merongText: {
    labels: {874: "windows-874", 932: "shift_jis", 936: "gbk", 949: "euc-kr", 950: "big5"},
    // The decoders' name for the code page, worked out once: the page's
    // language does not change while it is open.
    known: null,
    label: function() {
      if (!merongText.known) {
        var codepage = _ansi_codepage();
        merongText.known = merongText.labels[codepage] ||
            (codepage >= 1250 && codepage <= 1258 ? "windows-" + codepage : "windows-1252");
      }
      return merongText.known;
    },
    // A decoder for the code page; a streaming one keeps a character cut
    // between two writes whole.
    decoder: function() {
      return new TextDecoder(merongText.label());
    },
    // Control characters cannot drive the page, but a console keeps line
    // breaks and tabs.
    clean: function(text) {
      return text.replace(/[\u0000-\u0008\u000b-\u001f\u007f-\u009f]/g, "");
    },
    // The NUL-terminated narrow string at ptr, as text.
    string: function(ptr) {
      var end = ptr;
      while (HEAPU8[end]) end++;
      return merongText.clean(merongText.decoder().decode(HEAPU8.subarray(ptr, end)));
    },
  },
});
