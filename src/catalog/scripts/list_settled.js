// Whether a long episode list has filled all its blocks (true when there is no list).
!window.episodeList || !!window.episodeList.done
