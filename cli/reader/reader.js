// The reader's page around an e-book served by `pagevane-cli read`: the book's pages in a frame,
// the contents, the page buttons the book's toolbar has, and the book's search. Everything it
// shows comes from the server as JSON (/:reader/book.json, contents.json, search?q=), made by the
// same code as the viewer's contents pane and search; the words of an opened hit are marked by
// the viewer's own marking script, which the search answer carries.
'use strict';
(function () {
  var $ = function (id) { return document.getElementById(id); };
  if (window.top !== window) {
    // A page of the book led to "/": the reader does not open inside itself.
    document.body.textContent = 'This address is the reader\u2019s page, not a page of the book.';
    return;
  }
  var frame = $('page');
  var book = null;
  var trail = [];  // Back and Forward, as the viewer keeps them
  var at = -1;
  var travelling = false;
  var current = '';
  var pendingMark = null;
  var marks = 0;

  // A page's address in a form that compares as the book compares names: its path only,
  // decoded where it decodes, without regard to case.
  function key(url) {
    var path = url.replace(/[?#].*$/, '');
    try { path = decodeURIComponent(path); } catch (e) { /* an 8-bit name: kept as sent */ }
    return path.toLowerCase();
  }
  // Pages by key, so that a step costs the same in a book of 50,000 pages as in one of five.
  var sequenceByKey = new Map();
  var contentsByKey = new Map();
  var lit = null;  // the contents entry of the page shown
  function sequenceIndex(url) {
    var i = sequenceByKey.get(key(url));
    return i === undefined ? -1 : i;
  }

  function load(url) {
    try {
      var win = frame.contentWindow;
      if (win && win.location.protocol !== 'about:') {
        // Replaced, not added: the reader's own Back and Forward keep the way.
        win.location.replace(url);
        return;
      }
    } catch (e) { /* not one of the book's pages */ }
    frame.src = url;
  }
  function go(url) {
    travelling = false;
    load(url);
  }
  function step(delta) {
    var target = at + delta;
    if (target < 0 || target >= trail.length) return;
    at = target;
    travelling = true;
    load(trail[at]);
  }

  function arrived(url) {
    if (travelling) {
      travelling = false;
    } else if (trail[at] !== url) {
      trail = trail.slice(0, at + 1);
      trail.push(url);
      if (trail.length > 1000) trail.shift();
      at = trail.length - 1;
    }
    current = url;
    // The reader's own address names the page, so a reload or a bookmark comes back to it.
    history.replaceState(null, '', '#' + url);
    update();
  }

  function update() {
    var i = sequenceIndex(current);
    $('home').disabled = !book.home;
    $('prev').disabled = !(i > 0);
    $('next').disabled = !(i >= 0 && i + 1 < book.sequence.length);
    $('back').disabled = at <= 0;
    $('forward').disabled = at + 1 >= trail.length;
    var entry = contentsByKey.get(key(current)) || null;
    if (entry !== lit) {
      if (lit) {
        lit.classList.remove('current');
        lit.removeAttribute('aria-current');
      }
      if (entry) {
        entry.classList.add('current');
        entry.setAttribute('aria-current', 'page');
        entry.scrollIntoView({ block: 'nearest' });
      }
      lit = entry;
    }
    var pageTitle = '';
    try { pageTitle = frame.contentDocument.title; } catch (e) { /* no page */ }
    var name = book.title || 'E-book';
    document.title = pageTitle && pageTitle !== name ? pageTitle + ' \u2013 ' + name : name;
  }

  function act(id) {
    var i = sequenceIndex(current);
    if (id === 'home' && book.home) go(book.home);
    else if (id === 'prev' && i > 0) go(book.sequence[i - 1]);
    else if (id === 'next' && i >= 0 && i + 1 < book.sequence.length) go(book.sequence[i + 1]);
    else if (id === 'back') step(-1);
    else if (id === 'forward') step(1);
  }

  function nextHit() {
    if (!marks) return;
    try { frame.contentWindow.eval(book.nextHit); } catch (e) { /* the page is gone */ }
  }

  // The viewer's keys, for the buttons the book has.
  function onKey(e) {
    var b = book.buttons;
    var name = null;
    if (e.altKey && !e.ctrlKey && e.key === 'Home' && b.home) name = 'home';
    else if (e.ctrlKey && !e.altKey && e.key === 'PageUp' && b.prevNext) name = 'prev';
    else if (e.ctrlKey && !e.altKey && e.key === 'PageDown' && b.prevNext) name = 'next';
    else if (e.altKey && !e.ctrlKey && e.key === 'ArrowLeft' && b.history) name = 'back';
    else if (e.altKey && !e.ctrlKey && e.key === 'ArrowRight' && b.history) name = 'forward';
    if (name) {
      e.preventDefault();
      act(name);
    } else if (e.key === 'F3' && marks) {
      e.preventDefault();
      nextHit();
    } else if (e.ctrlKey && e.shiftKey && (e.key === 'F' || e.key === 'f') && b.search) {
      e.preventDefault();
      $('query').focus();
    }
  }

  // Links of a page to other sites open beside the reader, as the viewer hands them to the
  // reader's own programs; the book's own links stay in the frame.
  function onClick(e) {
    var a = e.target && e.target.closest ? e.target.closest('a[href]') : null;
    if (!a || e.defaultPrevented) return;
    var url;
    try { url = new URL(a.href, a.baseURI); } catch (x) { return; }
    if (url.protocol !== 'http:' && url.protocol !== 'https:') return;
    if (url.origin !== location.origin) {
      e.preventDefault();
      window.open(url.href, '_blank', 'noopener');
    } else if (a.target && a.target !== '_self') {
      e.preventDefault();
      go(url.pathname + url.search + url.hash);
    }
  }

  frame.addEventListener('load', function () {
    var win;
    var url;
    try {
      win = frame.contentWindow;
      if (win.location.protocol === 'about:') return;
      url = win.location.pathname + win.location.search + win.location.hash;
    } catch (e) {
      return;  // another site's page
    }
    win.addEventListener('hashchange', function () {
      arrived(win.location.pathname + win.location.search + win.location.hash);
    });
    win.document.addEventListener('keydown', onKey);
    win.document.addEventListener('click', onClick);
    marks = 0;
    if (pendingMark) {
      var script = pendingMark;
      pendingMark = null;
      try { marks = win.eval(script) || 0; } catch (e) { marks = 0; }
    }
    $('nexthit').hidden = !marks;
    arrived(url);
  });

  function showContents(entries) {
    var nav = $('contents');
    var list = document.createDocumentFragment();
    if (!entries.length) {
      var p = document.createElement('p');
      p.className = 'note';
      p.textContent = 'This book has no pages in its sequence.';
      list.appendChild(p);
    }
    entries.forEach(function (e) {
      var item = document.createElement(e.url ? 'a' : 'span');
      item.textContent = e.label;
      item.style.paddingLeft = (0.75 + e.depth) + 'rem';
      if (e.url) {
        item.href = e.url;
        if (e.unreadable) item.className = 'unreadable';
        var k = key(e.url);
        if (!contentsByKey.has(k)) contentsByKey.set(k, item);
      }
      list.appendChild(item);
    });
    nav.textContent = '';
    nav.appendChild(list);
    lit = null;
    update();
  }
  $('contents').addEventListener('click', function (e) {
    var a = e.target.closest('a[href]');
    if (!a) return;
    e.preventDefault();
    go(a.getAttribute('href'));
  });

  function showResults(result) {
    var list = $('hits');
    list.textContent = '';
    var summary;
    if (result.error) summary = result.error;
    else if (!result.total) summary = 'No page holds these words.';
    else summary = result.total + (result.total === 1 ? ' page' : ' pages') +
      (result.hits.length < result.total ? ', the best ' + result.hits.length + ' listed' : '');
    if (result.unsearched) summary += ' (' + result.unsearched + ' could not be searched)';
    $('summary').textContent = summary;
    (result.hits || []).forEach(function (h) {
      var li = document.createElement('li');
      var a = document.createElement('a');
      a.href = h.url;
      a.textContent = h.title;
      a.addEventListener('click', function (ev) {
        ev.preventDefault();
        pendingMark = result.mark;
        go(h.url);
      });
      var p = document.createElement('p');
      p.textContent = h.snippet;
      li.appendChild(a);
      li.appendChild(p);
      list.appendChild(li);
    });
    $('contents').hidden = true;
    $('results').hidden = false;
    document.body.classList.remove('no-side');
  }

  $('search').addEventListener('submit', function (e) {
    e.preventDefault();
    var q = $('query').value.trim();
    if (!q) return;
    $('summary').textContent = 'Searching\u2026';
    fetch('/:reader/search?q=' + encodeURIComponent(q))
      .then(function (r) { return r.json(); })
      .then(showResults)
      .catch(function () { showResults({ error: 'The search did not answer.' }); });
  });
  // The index is built on the first search; a reader about to type lets it start now.
  $('query').addEventListener('focus', function () {
    fetch('/:reader/search?q=').catch(function () {});
  }, { once: true });
  $('close').addEventListener('click', function () {
    $('results').hidden = true;
    $('contents').hidden = false;
  });
  $('nexthit').addEventListener('click', nextHit);
  $('toggle').addEventListener('click', function () {
    var hide = !document.body.classList.contains('no-side');
    document.body.classList.toggle('no-side', hide);
    $('toggle').setAttribute('aria-expanded', String(!hide));
  });
  ['home', 'prev', 'next', 'back', 'forward'].forEach(function (id) {
    $(id).addEventListener('click', function () { act(id); });
  });
  document.addEventListener('keydown', onKey);

  fetch('/:reader/book.json')
    .then(function (r) { return r.json(); })
    .then(function (b) {
      book = b;
      book.sequence.forEach(function (url, i) {
        var k = key(url);
        if (!sequenceByKey.has(k)) sequenceByKey.set(k, i);
      });
      $('title').textContent = book.title || 'E-book';
      var shown = book.toolbar;
      $('home').hidden = !(shown && book.buttons.home);
      $('prev').hidden = $('next').hidden = !(shown && book.buttons.prevNext);
      $('back').hidden = $('forward').hidden = !(shown && book.buttons.history);
      $('search').hidden = !(shown && book.buttons.search);
      update();
      // The page the reader's address names (a reload, a bookmark), else the home page.
      var start = location.hash.slice(1);
      if (!/^\/(?![/:\\])/.test(start)) start = book.home;
      if (start) go(start);
      return fetch('/:reader/contents.json');
    })
    .then(function (r) { return r ? r.json() : []; })
    .then(showContents)
    .catch(function () { $('contents').textContent = 'The contents could not be read.'; });
})();
