.pragma library

// Line icons drawn on a 24x24 grid, stroked with round caps. Each entry is
// SVG markup without colour; the Icon item fills in the colour.
var icons = {
    up: '<path d="M6 15l6-6 6 6"/>',
    down: '<path d="M6 9l6 6 6-6"/>',
    left: '<path d="M15 6l-6 6 6 6"/>',
    right: '<path d="M9 6l6 6-6 6"/>',
    chevronDown: '<path d="M7 10l5 5 5-5"/>',
    centre: '<circle cx="12" cy="12" r="6.5"/><circle cx="12" cy="12" r="1.6" class="f"/><path d="M12 2.5v3M12 18.5v3M2.5 12h3M18.5 12h3"/>',
    faceDown: '<path d="M12 4v11M7 10.5l5 5 5-5M5 20h14"/>',
    stopSquare: '<rect x="7" y="7" width="10" height="10" rx="2" class="f"/>',
    link: '<path d="M10 14a4.5 4.5 0 0 0 6.4 0l3-3a4.5 4.5 0 0 0-6.4-6.4l-1.2 1.2"/><path d="M14 10a4.5 4.5 0 0 0-6.4 0l-3 3a4.5 4.5 0 0 0 6.4 6.4l1.2-1.2"/>',
    gimbal: '<path d="M5 4h14M12 4v3"/><path d="M7 9.5a5 5 0 0 1 10 0V14a5 5 0 0 1-10 0z"/><circle cx="12" cy="12.5" r="2.3"/><path d="M4 10v5M20 10v5"/>',
    camera: '<path d="M4 8.5h3l1.6-2.5h6.8L17 8.5h3v10H4z"/><circle cx="12" cy="13.2" r="3.4"/>',
    range: '<circle cx="6" cy="12" r="2.2" class="f"/><path d="M9.5 12h11M17 8.5l3.5 3.5-3.5 3.5"/><path d="M3 6v12" opacity="0.5"/>',
    channels: '<path d="M5 4v16M12 4v16M19 4v16"/><rect x="3" y="7" width="4" height="3" rx="1" class="f"/><rect x="10" y="13" width="4" height="3" rx="1" class="f"/><rect x="17" y="9" width="4" height="3" rx="1" class="f"/>',
    network: '<circle cx="12" cy="12" r="8.5"/><path d="M3.5 12h17M12 3.5c2.6 2.4 3.8 5.2 3.8 8.5s-1.2 6.1-3.8 8.5c-2.6-2.4-3.8-5.2-3.8-8.5s1.2-6.1 3.8-8.5z"/>',
    ai: '<path d="M4 8V5a1 1 0 0 1 1-1h3M16 4h3a1 1 0 0 1 1 1v3M20 16v3a1 1 0 0 1-1 1h-3M8 20H5a1 1 0 0 1-1-1v-3"/><rect x="8" y="8" width="8" height="8" rx="1.5"/><circle cx="12" cy="12" r="1.4" class="f"/>',
    osd: '<rect x="3.5" y="5" width="17" height="14" rx="2"/><path d="M7 9h6M7 12.5h4M15 15h2.5"/>',
    device: '<rect x="7" y="7" width="10" height="10" rx="1.5"/><path d="M10 3.5V7M14 3.5V7M10 17v3.5M14 17v3.5M3.5 10H7M3.5 14H7M17 10h3.5M17 14h3.5"/>',
    home: '<rect x="4" y="4" width="7" height="7" rx="1.5"/><rect x="13" y="4" width="7" height="7" rx="1.5"/><rect x="4" y="13" width="7" height="7" rx="1.5"/><rect x="13" y="13" width="7" height="7" rx="1.5"/>',
    play: '<path d="M8 5.5v13l10.5-6.5z" class="f"/>',
    pause: '<rect x="7" y="5.5" width="3.5" height="13" rx="1" class="f"/><rect x="13.5" y="5.5" width="3.5" height="13" rx="1" class="f"/>',
    record: '<circle cx="12" cy="12" r="6" class="f"/>',
    snapshot: '<rect x="3.5" y="6" width="17" height="13" rx="2"/><circle cx="12" cy="12.5" r="3.5"/><path d="M8.5 6l1.3-2h4.4l1.3 2"/>',
    fullscreen: '<path d="M4 9V4h5M15 4h5v5M20 15v5h-5M9 20H4v-5"/>',
    album: '<rect x="3.5" y="5" width="14" height="12" rx="2"/><path d="M6.5 20h12a2 2 0 0 0 2-2V8"/><path d="M6 14.5l3.2-3.2 2.6 2.6 1.7-1.7 2 2"/><circle cx="13.5" cy="8.5" r="1.2" class="f"/>',
    refresh: '<path d="M19.5 12a7.5 7.5 0 1 1-2.2-5.3"/><path d="M19.5 4.5v4.5H15"/>',
    folder: '<path d="M3.5 7a2 2 0 0 1 2-2h4l2 2.5h7a2 2 0 0 1 2 2V17a2 2 0 0 1-2 2h-13a2 2 0 0 1-2-2z"/>',
    download: '<path d="M12 4v11M7.5 10.5L12 15l4.5-4.5M5 19.5h14"/>',
    upload: '<path d="M12 15V4M7.5 8.5L12 4l4.5 4.5M5 19.5h14"/>',
    trash: '<path d="M4.5 7h15M9.5 7V4.5h5V7M6.5 7l1 12.5h9l1-12.5M10 10.5v6M14 10.5v6"/>',
    check: '<path d="M5 12.5l4.5 4.5L19 7.5"/>',
    close: '<path d="M6 6l12 12M18 6L6 18"/>',
    minimize: '<path d="M6 12h12"/>',
    maximize: '<rect x="6" y="6" width="12" height="12" rx="1.5"/>',
    restore: '<rect x="5" y="8.5" width="10.5" height="10.5" rx="1.5"/><path d="M8.5 8.5V5h10.5v10.5H15.5"/>',
    back: '<path d="M19 12H5M11 6l-6 6 6 6"/>',
    plus: '<path d="M12 5v14M5 12h14"/>',
    minus: '<path d="M5 12h14"/>',
    grid: '<rect x="3.5" y="4.5" width="17" height="15" rx="2"/><path d="M9.2 4.5v15M14.8 4.5v15M3.5 9.5h17M3.5 14.5h17"/>',
    language: '<path d="M4 5.5h9M8.5 4v1.5M6 5.5c.6 3 2.6 5.3 5.5 6.5M11 5.5c-.7 3.4-2.9 6-6.5 7.5"/><path d="M12.5 20l3.5-9 3.5 9M13.8 17h4.4"/>',
    window: '<rect x="3.5" y="4.5" width="17" height="15" rx="2"/><path d="M3.5 8.5h17"/><circle cx="6.5" cy="6.5" r=".6" class="f"/><circle cx="8.7" cy="6.5" r=".6" class="f"/>',
    warning: '<path d="M12 4l9 15.5H3z"/><path d="M12 10v4.5"/><circle cx="12" cy="17" r=".9" class="f"/>',
    stats: '<path d="M5 19.5V12M10 19.5V5M15 19.5v-9M20 19.5v-5"/>',
    info: '<circle cx="12" cy="12" r="8.5"/><path d="M12 11v5.5"/><circle cx="12" cy="8" r=".9" class="f"/>',
    sd: '<path d="M7 3.5h7.5L18 7v13.5H7z"/><path d="M10 3.5v3.5M12.5 3.5v3.5M15 5v2"/>',
    thermo: '<path d="M10 14.5V5a2 2 0 0 1 4 0v9.5a4 4 0 1 1-4 0z"/><circle cx="12" cy="17.5" r="1.6" class="f"/>',
    crosshair: '<circle cx="12" cy="12" r="7"/><path d="M12 3v5M12 16v5M3 12h5M16 12h5"/>',
    serial: '<path d="M6 3.5h12v7H6z"/><path d="M9 10.5v4h6v-4M12 14.5v6"/><path d="M9 6.5v1.5M12 6.5v1.5M15 6.5v1.5"/>',
    udp: '<path d="M5 12.5a10 10 0 0 1 14 0M8 15.5a5.6 5.6 0 0 1 8 0"/><circle cx="12" cy="18.5" r="1.2" class="f"/><path d="M2 9.5a14.3 14.3 0 0 1 20 0"/>',
    video: '<rect x="3.5" y="6.5" width="12" height="11" rx="2"/><path d="M15.5 10.5l5-3v9l-5-3"/>',
    photo: '<rect x="3.5" y="5" width="17" height="14" rx="2"/><path d="M6.5 16l4-4.2 3 3 2-2 2.5 3.2"/><circle cx="15.5" cy="9" r="1.4" class="f"/>',
    drag: '<circle cx="9" cy="7" r="1.1" class="f"/><circle cx="15" cy="7" r="1.1" class="f"/><circle cx="9" cy="12" r="1.1" class="f"/><circle cx="15" cy="12" r="1.1" class="f"/><circle cx="9" cy="17" r="1.1" class="f"/><circle cx="15" cy="17" r="1.1" class="f"/>',
    zoomIn: '<circle cx="10.5" cy="10.5" r="6"/><path d="M15 15l5 5M10.5 7.8v5.4M7.8 10.5h5.4"/>',
    zoomOut: '<circle cx="10.5" cy="10.5" r="6"/><path d="M15 15l5 5M7.8 10.5h5.4"/>',
    target: '<rect x="5" y="5" width="14" height="14" rx="1.5" stroke-dasharray="3 2.5"/><circle cx="12" cy="12" r="1.6" class="f"/>',
    log: '<path d="M5 6h14M5 10h14M5 14h9M5 18h11"/>',
    gamepad: '<path d="M7 7.5h10a4 4 0 0 1 3.9 3.2l.9 4.3a2.4 2.4 0 0 1-4.2 2L15.8 15H8.2l-1.8 2a2.4 2.4 0 0 1-4.2-2l.9-4.3A4 4 0 0 1 7 7.5z"/><path d="M8 10v3.4M6.3 11.7h3.4M15.2 10.8h.01M17.2 12.6h.01"/>',
    keyboard: '<rect x="2.5" y="6" width="19" height="12" rx="2"/><path d="M6 9.5h1M9.5 9.5h1M13 9.5h1M16.5 9.5h1M6 12.5h1M16.5 12.5h1M8.5 15h7"/>',
    calibrate: '<circle cx="12" cy="12" r="8"/><path d="M12 4v3M12 17v3M4 12h3M17 12h3"/><path d="M9.5 12l1.8 1.8 3.4-3.6"/>',
    power: '<path d="M12 3.5v8"/><path d="M7 6.5a7 7 0 1 0 10 0"/>',
    stop: '<rect x="6.5" y="6.5" width="11" height="11" rx="2" class="f"/>',
    laser: '<circle cx="12" cy="12" r="3" class="f"/><path d="M12 2.5v4M12 17.5v4M2.5 12h4M17.5 12h4M5.3 5.3l2.5 2.5M16.2 16.2l2.5 2.5M5.3 18.7l2.5-2.5M16.2 7.8l2.5-2.5"/>'
}

function svg(name, color, opacity, strokeWidth) {
    var body = icons[name]
    if (!body)
        return ""
    var filled = 'fill="' + color + '" fill-opacity="' + opacity + '" stroke="none"'
    return '<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24" fill="none" stroke="'
            + color + '" stroke-opacity="' + opacity + '" stroke-width="' + strokeWidth
            + '" stroke-linecap="round" stroke-linejoin="round">'
            + body.replace(/class="f"/g, filled) + '</svg>'
}
