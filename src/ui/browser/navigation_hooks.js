// Reports to SkyHarbor what the engine does not: the target frame of links
// and forms, posted form data, and window.open names, before anything loads.
(function () {
    if (window.__skyHarborHooks) return;
    window.__skyHarborHooks = true;
    var queue = [];
    var bridge = null;

    function call(name, args) {
        if (bridge) bridge[name].apply(bridge, args);
        else queue.push([name, args]);
    }

    if (typeof qt !== 'undefined' && qt.webChannelTransport) {
        new QWebChannel(qt.webChannelTransport, function (channel) {
            bridge = channel.objects.skyBridge;
            var pending = queue;
            queue = [];
            pending.forEach(function (q) { bridge[q[0]].apply(bridge, q[1]); });
        });
    }

    function isCommand(target) {
        return !!target && String(target).toLowerCase().indexOf('_skycmd') === 0;
    }
    function targetOf(el) {
        var t = el.getAttribute('target');
        if (!t) {
            var base = document.querySelector('base[target]');
            if (base) t = base.getAttribute('target');
        }
        return t || '';
    }
    function stays(target) {
        var t = target.toLowerCase();
        return t === '' || t === '_self' || (t === '_top' && window.top === window) ||
            (t === '_parent' && window.parent === window);
    }

    document.addEventListener('click', function (e) {
        if (e.button !== 0) return;
        var a = e.target && e.target.closest ? e.target.closest('a[href], area[href]') : null;
        if (!a) return;
        var target = targetOf(a);
        var raw = (a.getAttribute('href') || '').trim();
        if (/^skycommand:/i.test(raw)) {
            // Handed over as written: some commands are no valid address.
            e.preventDefault();
            e.stopImmediatePropagation();
            call('commandText', [raw]);
        } else if (isCommand(target)) {
            e.preventDefault();
            e.stopImmediatePropagation();
            call('commandLink', [a.href, target]);
        } else if (!stays(target)) {
            call('noteTarget', [a.href, target]);
        }
    }, true);

    document.addEventListener('submit', function (e) {
        var form = e.target;
        if (!form || form.tagName !== 'FORM') return;
        var sub = e.submitter;
        var target = (sub && sub.getAttribute('formtarget')) || targetOf(form);
        var method = ((sub && sub.getAttribute('formmethod')) || form.getAttribute('method') || 'get').toLowerCase();
        var action = (sub && sub.hasAttribute('formaction')) ? sub.formAction : form.action;
        var enctype = (form.enctype || 'application/x-www-form-urlencoded').toLowerCase();
        if (enctype === 'multipart/form-data') {
            if (!stays(target)) call('noteTarget', [action, target]);
            return;
        }
        var data = new FormData(form);
        if (sub && sub.name) data.append(sub.name, sub.value);
        var body;
        if (enctype === 'text/plain') {
            var lines = [];
            data.forEach(function (v, k) { lines.push(k + '=' + v); });
            body = lines.join('\r\n') + (lines.length ? '\r\n' : '');
        } else {
            body = new URLSearchParams(data).toString();
        }
        if (method !== 'post') {
            var url = new URL(action);
            url.search = body;
            action = url.href;
            body = '';
        }
        if (isCommand(target)) {
            e.preventDefault();
            call('commandLink', [action, target]);
        } else if (method === 'post') {
            e.preventDefault();
            call('submitForm', [action, target, body, enctype]);
        } else if (!stays(target)) {
            call('noteTarget', [action, target]);
        }
    }, true);

    var open = window.open;
    window.open = function (url, name) {
        var abs = '';
        try { abs = url ? new URL(url, document.baseURI).href : ''; } catch (x) { abs = String(url); }
        if (isCommand(name)) {
            call('commandLink', [abs, String(name)]);
            return null;
        }
        call('noteTarget', [abs, name ? String(name) : '']);
        return open.apply(window, arguments);
    };
})();
