# Sample Ruby plug-in: answers "きょう", "あした" and "きのう" with that day's date in a few
# formats.
module Vuro_plugin
  DAYS = { 'きょう' => 0, '今日' => 0, 'あした' => 1, '明日' => 1, 'きのう' => -1, '昨日' => -1 }.freeze
  WEEKDAYS = %w[日 月 火 水 木 金 土].freeze

  def run_process(request)
    offset = DAYS[request['composition_string']]
    return { 'candidate' => [] } if offset.nil?

    date = Time.now + offset * 24 * 60 * 60
    weekday = WEEKDAYS[date.wday]
    formats = [
      [date.strftime('%Y-%m-%d'), 'ISO 8601'],
      ["#{date.year}年#{date.month}月#{date.day}日", '西暦'],
      ["#{date.month}月#{date.day}日(#{weekday})", '月日と曜日'],
      ["令和#{date.year - 2018}年#{date.month}月#{date.day}日", '和暦'],
      [date.strftime('%Y/%m/%d'), 'スラッシュ区切り'],
    ]
    candidates = formats.map do |text, kind|
      {
        'hyoki' => text,
        # A plain comment: the two characters \n start a new line.
        'comment' => "#{request['composition_string']}の日付（#{weekday}曜日）\\n形式: #{kind}",
        'info' => '日付',
      }
    end
    { 'candidate' => candidates }
  end

  def run_preference(request)
  end

  def run_callback(request)
  end
end
